#!/usr/bin/perl
# Prints the record numbers of an NTX index in key order, as read by the
# XBase::Index module, an independent reader. Usage: ntx_order.pl FILE TYPE
use strict;
use warnings;
use XBase::Index;

my ($file, $type) = @ARGV;
my $index = XBase::Index->new($file, type => $type) or die XBase::Index->errstr;
$index->prepare_select or die $index->errstr;
while (my ($key, $recno) = $index->fetch) {
    print "$recno\n";
}
