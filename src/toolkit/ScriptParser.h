// The words of scripted sessions: splitting a script into commands and their
// words, the quoting both scripts and transcripts use, and the caption rule
// by which scripts name buttons and menu items. Pure logic.
//
//   script   := line*
//   line     := blank* ( '#' any* | command )?
//   command  := word ( blank+ word )*
//   word     := bare | '"' ( escape | any-but-quote-or-backslash )* '"'
//   escape   := '\"' | '\\' | '\n' | '\r' | '\t'
//   bare     := any character but blank and '"', one or more
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mx::tk {

struct ScriptCommand {
    int line = 0;                    // 1-based line in the script
    std::vector<std::string> words;  // words[0] is the command; never empty
    std::string error;               // set when the line could not be read
};

class ScriptParser {
public:
    // Every command line of the script, in order; blank and comment lines are
    // left out. A line that cannot be read is kept with its error, so the run
    // fails when it reaches it, not before.
    static std::vector<ScriptCommand> parse(std::string_view script);

    // The words of one line; on failure returns false and sets *error.
    static bool splitWords(std::string_view line, std::vector<std::string>* words, std::string* error);

    // A text in double quotes with the escapes above, as transcripts write it.
    static std::string quote(std::string_view text);

    // A caption as scripts name it: every '&' removed, trailing blanks cut.
    static std::string plainCaption(std::string_view caption);
};

}  // namespace mx::tk
