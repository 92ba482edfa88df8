// Script words, quoting and caption matching (grammar in the header).
#include "ScriptParser.h"

namespace mx::tk {

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
}  // namespace

bool ScriptParser::splitWords(std::string_view line, std::vector<std::string>* words, std::string* error) {
    words->clear();
    size_t i = 0;
    while (i < line.size()) {
        if (isBlank(line[i])) {
            ++i;
            continue;
        }
        std::string word;
        if (line[i] == '"') {
            size_t start = i++;
            bool closed = false;
            while (i < line.size()) {
                char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c != '\\') {
                    word += c;
                    continue;
                }
                if (i >= line.size()) break;
                char e = line[i++];
                switch (e) {
                    case '"': word += '"'; break;
                    case '\\': word += '\\'; break;
                    case 'n': word += '\n'; break;
                    case 'r': word += '\r'; break;
                    case 't': word += '\t'; break;
                    default:
                        *error = "unknown escape \\" + std::string(1, e) + " at column " + std::to_string(i - 1);
                        return false;
                }
            }
            if (!closed) {
                *error = "unterminated quote starting at column " + std::to_string(start + 1);
                return false;
            }
            if (i < line.size() && !isBlank(line[i])) {
                *error = "a quoted word must be followed by a blank (column " + std::to_string(i + 1) + ")";
                return false;
            }
        } else {
            while (i < line.size() && !isBlank(line[i])) {
                if (line[i] == '"') {
                    *error = "a quote inside a word (column " + std::to_string(i + 1) + ")";
                    return false;
                }
                word += line[i++];
            }
        }
        words->push_back(std::move(word));
    }
    return true;
}

std::vector<ScriptCommand> ScriptParser::parse(std::string_view script) {
    std::vector<ScriptCommand> commands;
    int lineNo = 0;
    size_t pos = 0;
    while (pos <= script.size()) {
        size_t end = script.find('\n', pos);
        if (end == std::string_view::npos) end = script.size();
        std::string_view line = script.substr(pos, end - pos);
        ++lineNo;
        pos = end + 1;
        size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos || line[first] == '#') {
            if (end == script.size()) break;
            continue;
        }
        ScriptCommand cmd;
        cmd.line = lineNo;
        if (!splitWords(line, &cmd.words, &cmd.error) && cmd.words.empty()) cmd.words.push_back("?");
        commands.push_back(std::move(cmd));
        if (end == script.size()) break;
    }
    return commands;
}

std::string ScriptParser::quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default: out += c;
        }
    }
    out += '"';
    return out;
}

std::string ScriptParser::plainCaption(std::string_view caption) {
    std::string out;
    for (char c : caption)
        if (c != '&') out += c;
    while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
    return out;
}

}  // namespace mx::tk
