#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// Columns padded to their widest cell, for a terminal. Device texts are
// untrusted: control characters are shown as '?' so a device name can never
// drive the terminal, and other bytes go out as UTF-8.
class TextTable {
public:
    explicit TextTable(std::vector<std::string> headers);
    void addRow(std::vector<std::string> cells);
    std::string render() const;

    static std::string printable(std::string_view text);

private:
    std::vector<std::string> m_headers;
    std::vector<std::vector<std::string>> m_rows;
};

}  // namespace quillon
