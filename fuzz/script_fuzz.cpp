// Fuzzes the scripted-session parser: the input is read as a script. Besides
// crashes and sanitizer reports, a finding is any broken promise of the
// grammar in ScriptParser.h: a command without words, line numbers out of
// order, a word that does not come back unchanged from quote() and
// splitWords(), a line rebuilt from quoted words that splits differently, or
// a plain caption that still holds '&' or ends in a blank.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "ScriptParser.h"

namespace {

using mx::tk::ScriptCommand;
using mx::tk::ScriptParser;

[[noreturn]] void finding(const char* what) {
    std::fprintf(stderr, "script_fuzz: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view script(reinterpret_cast<const char*>(data), size);
    std::vector<ScriptCommand> commands = ScriptParser::parse(script);
    int lines = 1;
    for (char c : script) lines += c == '\n';
    int last = 0;
    for (const ScriptCommand& cmd : commands) {
        if (cmd.words.empty()) finding("a command without words");
        if (cmd.line <= last || cmd.line > lines) finding("line numbers out of order");
        last = cmd.line;
        if (!cmd.error.empty()) continue;
        std::string rebuilt;
        for (const std::string& w : cmd.words) {
            std::vector<std::string> back;
            std::string error;
            if (!ScriptParser::splitWords(ScriptParser::quote(w), &back, &error) || back.size() != 1 || back[0] != w)
                finding("a quoted word does not split back into itself");
            if (!rebuilt.empty()) rebuilt += ' ';
            rebuilt += ScriptParser::quote(w);
            std::string plain = ScriptParser::plainCaption(w);
            if (plain.find('&') != std::string::npos || (!plain.empty() && (plain.back() == ' ' || plain.back() == '\t')))
                finding("a plain caption keeps '&' or a trailing blank");
        }
        std::vector<std::string> again;
        std::string error;
        if (!ScriptParser::splitWords(rebuilt, &again, &error) || again != cmd.words)
            finding("a line of quoted words splits differently");
    }
    // The whole input as one line: only the outcome may differ, never a crash.
    std::vector<std::string> words;
    std::string error;
    if (!ScriptParser::splitWords(script, &words, &error) && error.empty()) finding("a failed split without an error");
    return 0;
}
