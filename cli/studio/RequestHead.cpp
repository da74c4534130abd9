#include "RequestHead.h"

#include <algorithm>
#include <cctype>

namespace clipreel {
namespace studio {

namespace {

bool SameName(const std::string& line, std::size_t length, const char* name) {
    std::size_t i = 0;
    for (; i < length && name[i] != '\0'; ++i) {
        if (std::tolower(static_cast<unsigned char>(line[i])) != std::tolower(static_cast<unsigned char>(name[i]))) {
            return false;
        }
    }
    return i == length && name[i] == '\0';
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The value of parameter name in a query ("a=1&token=..."), or empty.
std::string QueryValue(const std::string& query, const std::string& name) {
    std::size_t at = 0;
    while (at <= query.size()) {
        const std::size_t end = std::min(query.find('&', at), query.size());
        const std::string pair = query.substr(at, end - at);
        if (pair.compare(0, name.size() + 1, name + "=") == 0) return pair.substr(name.size() + 1);
        at = end + 1;
    }
    return std::string();
}

}

std::size_t RequestHead::EndOf(const std::string& text) {
    const std::size_t blank = text.find("\r\n\r\n");
    return blank == std::string::npos ? 0 : blank + 4;
}

bool RequestHead::Parse(const std::string& text, RequestHead& head) {
    const std::size_t end = EndOf(text);
    if (end == 0) return false;
    std::size_t lineStart = text.find("\r\n");
    const std::string requestLine = text.substr(0, lineStart);
    const std::size_t space = requestLine.find(' ');
    const std::size_t secondSpace = requestLine.find(' ', space == std::string::npos ? space : space + 1);
    if (space == std::string::npos || secondSpace == std::string::npos || space == 0) return false;
    head.method = requestLine.substr(0, space);
    const std::string target = requestLine.substr(space + 1, secondSpace - space - 1);
    const std::size_t question = target.find('?');
    head.path = target.substr(0, question);
    head.token = question == std::string::npos ? std::string() : QueryValue(target.substr(question + 1), "token");

    std::size_t headers = 0;
    for (lineStart += 2; lineStart + 2 < end; ++headers) {
        const std::size_t lineEnd = text.find("\r\n", lineStart);
        if (headers == MaxHeaders) return false;
        const std::string line = text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 2;
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) return false;
        if (SameName(line, colon, "Host")) head.host = Trimmed(line.substr(colon + 1));
        if (SameName(line, colon, "X-Clipreel-Token") && head.token.empty())
            head.token = Trimmed(line.substr(colon + 1));
    }
    return true;
}

}
}
