#include "app/DesktopEntryExec.h"

#include <utility>

namespace quillon {

namespace {

constexpr std::string_view DESKTOP_SUFFIX = ".desktop";
constexpr std::size_t MAX_DESKTOP_FILE_ID = 255;

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Only the escapes of a string value; anything else after a backslash stays
// as it is, so the Exec quoting (\" \` \$ \\) survives for the split.
std::string unescapeStringValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[i + 1]) {
            case 's':
                out += ' ';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case '\\':
                out += '\\';
                break;
            default:
                out += value[i];
                out += value[i + 1];
                break;
        }
        ++i;
    }
    return out;
}

bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isQuotedEscape(char c) {
    return c == '"' || c == '`' || c == '$' || c == '\\';
}

bool isFileCode(char c) {
    return c == 'u' || c == 'U' || c == 'f' || c == 'F';
}

// Undoes the quoting; the field codes are expanded afterwards, per argument.
std::optional<std::vector<std::string>> splitExec(std::string_view exec) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (isSeparator(c)) {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
            continue;
        }
        inWord = true;
        if (c == '\\') {
            if (++i == exec.size()) {
                return std::nullopt;
            }
            word += exec[i];
        } else if (c == '"') {
            for (++i;; ++i) {
                if (i >= exec.size()) {
                    return std::nullopt;
                }
                if (exec[i] == '"') {
                    break;
                }
                if (exec[i] == '\\') {
                    if (++i == exec.size()) {
                        return std::nullopt;
                    }
                    if (!isQuotedEscape(exec[i])) {
                        word += '\\';
                    }
                }
                word += exec[i];
            }
        } else if (c == '\'') {
            const std::size_t close = exec.find('\'', i + 1);
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            word.append(exec.substr(i + 1, close - i - 1));
            i = close;
        } else {
            word += c;
        }
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    return words;
}

}  // namespace

std::optional<std::string> DesktopEntryExecValue(std::string_view fileContents) {
    bool inMainGroup = false;
    bool seenMainGroup = false;
    std::string_view rest = fileContents;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = trimmed(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            // Only the first "[Desktop Entry]" group counts; a repeated one
            // is not part of a valid file.
            inMainGroup = !seenMainGroup && line == "[Desktop Entry]";
            seenMainGroup = seenMainGroup || inMainGroup;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inMainGroup || equals == std::string_view::npos ||
            trimmed(line.substr(0, equals)) != "Exec") {
            continue;
        }
        std::string value = unescapeStringValue(trimmed(line.substr(equals + 1)));
        if (value.empty()) {
            return std::nullopt;
        }
        return value;
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> ExecToArguments(std::string_view exec,
                                                        std::string_view target) {
    std::optional<std::vector<std::string>> words = splitExec(exec);
    // The program itself never takes field codes: a hostile entry must not
    // turn the link into the program to start.
    if (!words || words->empty() || words->front().empty() ||
        words->front().find('%') != std::string::npos) {
        return std::nullopt;
    }
    std::vector<std::string> arguments;
    arguments.reserve(words->size() + 1);
    bool placed = false;
    for (const std::string& word : *words) {
        std::string argument;
        bool placedHere = false;
        for (std::size_t i = 0; i < word.size(); ++i) {
            if (word[i] != '%' || i + 1 == word.size()) {
                argument += word[i];
                continue;
            }
            const char code = word[++i];
            if (code == '%') {
                argument += '%';
            } else if (isFileCode(code) && !placed) {
                argument.append(target);
                placed = true;
                placedHere = true;
            }
        }
        // "%i" without an icon, say, leaves no empty argument behind; an
        // empty quoted argument ("") is kept.
        if (argument.empty() && !word.empty() && !placedHere) {
            continue;
        }
        arguments.push_back(std::move(argument));
    }
    if (!placed) {
        arguments.emplace_back(target);
    }
    return arguments;
}

bool IsDesktopFileId(std::string_view text) {
    if (text.size() <= DESKTOP_SUFFIX.size() || text.size() > MAX_DESKTOP_FILE_ID ||
        !text.ends_with(DESKTOP_SUFFIX) || text.front() == '.' || text.front() == '-') {
        return false;
    }
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7f) {
            return false;
        }
    }
    return true;
}

}  // namespace quillon
