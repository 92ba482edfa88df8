// The arithmetic of the library codes (see CodeArithmetic.h).
#include "CodeArithmetic.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace mx::lib {

namespace {

// A non-negative whole number of any size, 32 bits to a limb, lowest first.
class WholeNumber {
public:
    void addPowerOfTwo(int exponent) {
        std::size_t limb = static_cast<std::size_t>(exponent) / 32;
        if (limbs_.size() <= limb) limbs_.resize(limb + 1, 0);
        std::uint64_t carry = std::uint64_t{1} << (exponent % 32);
        for (std::size_t i = limb; carry != 0; ++i) {
            if (i == limbs_.size()) limbs_.push_back(0);
            const std::uint64_t sum = limbs_[i] + carry;
            limbs_[i] = static_cast<std::uint32_t>(sum);
            carry = sum >> 32;
        }
    }
    void timesTenPlus(unsigned digit) {
        std::uint64_t carry = digit;
        for (std::uint32_t& l : limbs_) {
            const std::uint64_t v = std::uint64_t{l} * 10 + carry;
            l = static_cast<std::uint32_t>(v);
            carry = v >> 32;
        }
        if (carry != 0) limbs_.push_back(static_cast<std::uint32_t>(carry));
    }
    // Number of binary digits (0 for zero).
    long bitLength() const {
        for (std::size_t i = limbs_.size(); i-- > 0;)
            if (limbs_[i] != 0) return static_cast<long>(i * 32) + std::bit_width(limbs_[i]);
        return 0;
    }
    bool bit(long i) const {
        const std::size_t limb = static_cast<std::size_t>(i / 32);
        return limb < limbs_.size() && ((limbs_[limb] >> (i % 32)) & 1u) != 0;
    }
    std::string decimal() const {
        std::vector<std::uint32_t> rest = limbs_;
        std::string out;
        for (;;) {
            while (!rest.empty() && rest.back() == 0) rest.pop_back();
            if (rest.empty()) break;
            std::uint64_t remainder = 0;
            for (std::size_t i = rest.size(); i-- > 0;) {
                const std::uint64_t v = (remainder << 32) | rest[i];
                rest[i] = static_cast<std::uint32_t>(v / 10);
                remainder = v % 10;
            }
            out.insert(out.begin(), static_cast<char>('0' + remainder));
        }
        return out.empty() ? "0" : out;
    }

private:
    std::vector<std::uint32_t> limbs_;
};

}  // namespace

std::string libraryCodeOf(const std::vector<int>& serials) {
    WholeNumber sum;
    for (int s : serials)
        if (s >= 1) sum.addPowerOfTwo(s);
    return sum.decimal();
}

std::vector<int> serialsOfLibraryCode(const std::string& text, long entries) {
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos || entries < 1) return {};
    if (text[i] == '-' || text[i] == '+') {
        if (text[i] == '-') return {};  // a value below zero reaches no bit
        ++i;
    }
    WholeNumber n;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) n.timesTenPlus(static_cast<unsigned>(text[i] - '0'));

    // Taking 2^i greedily from the top: while the value is below 2^(entries+1)
    // this names exactly its set bits; from there up it names every entry.
    std::vector<int> out;
    const bool all = n.bitLength() > entries + 1;
    for (long bit = entries; bit >= 1; --bit)
        if (all || n.bit(bit)) out.push_back(static_cast<int>(bit));
    return out;
}

std::string suiteDigit(double sum) {
    static const char* const kHex = "0123456789ABCDEF";
    long v = std::lround(sum);
    if (v < 0) v = 0;
    std::string out;
    do {
        out.insert(out.begin(), kHex[v % 16]);
        v /= 16;
    } while (v > 0);
    return out;
}

std::string joinSuiteDigits(const std::vector<std::string>& digits) {
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        out += digits[i];
        if ((i + 1) % 4 == 0) out += '-';
    }
    if (out.size() > kSuiteCodeLength) out.resize(kSuiteCodeLength);
    return out;
}

std::string suiteCodeOf(const std::vector<SuiteEntry>& entries) {
    std::vector<std::string> digits;
    int count = 0;
    double sum = 0;
    for (const SuiteEntry& e : entries) {
        ++count;
        if (e.tagged) sum += e.number;
        if (count == 4) {
            digits.push_back(suiteDigit(sum));
            count = 0;
            sum = 0;
        }
    }
    if (count > 0) digits.push_back(suiteDigit(sum));
    return joinSuiteDigits(digits);
}

std::string suiteCodeOfTags(const std::vector<bool>& tagged) {
    std::vector<SuiteEntry> entries;
    entries.reserve(tagged.size());
    for (std::size_t i = 0; i < tagged.size(); ++i) entries.push_back({std::ldexp(1.0, static_cast<int>(i % 4)), tagged[i]});
    return suiteCodeOf(entries);
}

std::vector<SuitePosition> positionsOfSuiteCode(const std::string& code) {
    std::vector<SuitePosition> out;
    int group = 0;
    for (char c : code) {
        if (c == '-') continue;
        ++group;
        int v = 0;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        while (v > 0) {
            const int number = v >= 8 ? 8 : v >= 4 ? 4 : v >= 2 ? 2 : 1;
            out.push_back({group, number});
            v -= number;
        }
    }
    return out;
}

void SuiteEntryIndex::add(double group, double number, std::uint32_t entry) {
    first_.try_emplace({group, number}, entry);
}

std::uint32_t SuiteEntryIndex::entryAt(const SuitePosition& p) const {
    auto it = first_.find({static_cast<double>(p.group), static_cast<double>(p.number)});
    return it == first_.end() ? 0 : it->second;
}

bool SuiteEntryIndex::names(const std::string& code, std::uint32_t entry) const {
    if (entry == 0) return false;
    for (const SuitePosition& p : positionsOfSuiteCode(code))
        if (entryAt(p) == entry) return true;
    return false;
}

}  // namespace mx::lib
