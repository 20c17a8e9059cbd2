#include "TextTable.h"

#include <algorithm>

#include "DevInfoJson.h"

namespace quillon {

namespace {

// Characters shown, counting a UTF-8 sequence as one.
std::size_t displayWidth(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

}  // namespace

TextTable::TextTable(std::vector<std::string> headers) : m_headers(std::move(headers)) {}

void TextTable::addRow(std::vector<std::string> cells) {
    cells.resize(m_headers.size());
    for (auto& cell : cells) {
        cell = printable(cell);
    }
    m_rows.push_back(std::move(cells));
}

std::string TextTable::printable(std::string_view text) {
    std::string clean(text);
    for (auto& c : clean) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            c = '?';
        }
    }
    return ToUtf8(clean);
}

std::string TextTable::render() const {
    std::vector<std::size_t> widths;
    for (const auto& h : m_headers) {
        widths.push_back(displayWidth(h));
    }
    for (const auto& row : m_rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], displayWidth(row[i]));
        }
    }
    std::string out;
    const auto line = [&](const std::vector<std::string>& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            out += cells[i];
            if (i + 1 < cells.size()) {
                out.append(widths[i] - displayWidth(cells[i]) + 2, ' ');
            }
        }
        out += '\n';
    };
    line(m_headers);
    for (const auto& row : m_rows) {
        line(row);
    }
    return out;
}

}  // namespace quillon
