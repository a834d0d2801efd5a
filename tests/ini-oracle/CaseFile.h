#pragma once

// The case list that drives both sides of the INI comparison: the Windows
// program (cross-compiled, run under Wine) and the Linux driver over our own
// profile functions. Plain standard C++ so both compilers take it unchanged.
//
// Format, one directive a line ('#' starts a comment line):
//   case NAME                 starts a case; its file is written fresh
//   enc utf8|utf8bom|utf16|utf16be|utf16nobom|ansi   (default utf8; utf16 is
//                             little-endian with BOM, utf16be big-endian with BOM,
//                             utf16nobom little-endian without; ansi: code points
//                             <= 0xFF as bytes, so "\xD7\xF3" is two bytes of a
//                             GBK character)
//   eol crlf|lf|cr            (default crlf)
//   final yes|no              whether the last line has a line end (default yes)
//   text ... .                the file's lines up to a line holding only "."
//   nofile                    the case starts without a file
//   lan EN|CHS                the installation's language (default EN): the
//                             system runs with its ANSI code page (1252, 936),
//                             ours finds it in a str.ini beside the file
//   get|SECTION|KEY|DEFAULT|SIZE
//   names|SIZE
//   set|SECTION|KEY|VALUE     KEY or VALUE "~" stands for a null pointer (delete)
//   lines                     the file's non-blank lines, trimmed, and its encoding
// Escapes in text and operations: \s blank, \t tab, \\ backslash, \| bar,
// \xNN the code point U+00NN, \uNNNN a code point.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace oracle {

struct Operation {
    std::string verb;                              // get, names, set, lines
    std::vector<std::optional<std::string>> args;  // UTF-8; nullopt for "~"
    int line = 0;
};

struct Case {
    std::string name;
    std::string enc = "utf8";
    std::string eol = "\r\n";
    bool finalEol = true;
    bool noFile = false;
    std::string lan = "EN";
    std::vector<std::string> lines;  // UTF-8
    std::vector<Operation> ops;
};

inline void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

inline std::vector<std::uint32_t> DecodeUtf8(const std::string& s) {
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        int n = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
        std::uint32_t cp = n == 0 ? b : n == 1 ? (b & 0x1Fu) : n == 2 ? (b & 0x0Fu) : (b & 0x07u);
        ++i;
        for (; n > 0 && i < s.size(); --n, ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3Fu);
        out.push_back(cp);
    }
    return out;
}

inline std::string Unescape(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 >= s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        if (c == 's') {
            out += ' ';
        } else if (c == 't') {
            out += '\t';
        } else if (c == 'x' || c == 'u') {
            const std::size_t digits = c == 'x' ? 2 : 4;
            AppendUtf8(
                out, static_cast<std::uint32_t>(std::stoul(s.substr(i + 1, digits), nullptr, 16)));
            i += digits;
        } else {
            out += c;
        }
    }
    return out;
}

// Splits at '|' not preceded by a backslash.
inline std::vector<std::string> SplitBars(const std::string& s) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            parts.back() += s[i];
            parts.back() += s[++i];
        } else if (s[i] == '|') {
            parts.emplace_back();
        } else {
            parts.back() += s[i];
        }
    }
    return parts;
}

// Throws std::runtime_error on a malformed list, naming the line.
inline std::vector<Case> ParseCases(const std::string& text) {
    std::vector<Case> cases;
    std::vector<std::string> rows;
    std::string row;
    for (const char c : text) {
        if (c == '\n') {
            rows.push_back(row);
            row.clear();
        } else if (c != '\r') {
            row += c;
        }
    }
    if (!row.empty()) rows.push_back(row);
    auto fail = [](int line, const std::string& why) {
        throw std::runtime_error("cases line " + std::to_string(line) + ": " + why);
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string& r = rows[i];
        const int line = static_cast<int>(i + 1);
        if (r.empty() || r[0] == '#') continue;
        const std::size_t sp = r.find(' ');
        const std::string word = r.substr(0, std::min(sp, r.find('|')));
        const std::string rest = sp == std::string::npos ? "" : r.substr(sp + 1);
        if (word == "case") {
            cases.emplace_back();
            cases.back().name = rest;
            continue;
        }
        if (cases.empty()) fail(line, "no case before this line");
        Case& c = cases.back();
        if (word == "enc") {
            if (rest != "utf8" && rest != "utf8bom" && rest != "utf16" && rest != "utf16be" &&
                rest != "utf16nobom" && rest != "ansi")
                fail(line, "bad encoding");
            c.enc = rest;
        } else if (word == "eol") {
            if (rest == "crlf")
                c.eol = "\r\n";
            else if (rest == "lf")
                c.eol = "\n";
            else if (rest == "cr")
                c.eol = "\r";
            else
                fail(line, "bad line end");
        } else if (word == "final") {
            c.finalEol = rest == "yes";
        } else if (word == "lan") {
            if (rest != "EN" && rest != "CHS") fail(line, "bad language");
            c.lan = rest;
        } else if (word == "nofile") {
            c.noFile = true;
        } else if (word == "text") {
            for (++i; i < rows.size() && rows[i] != "."; ++i) c.lines.push_back(Unescape(rows[i]));
            if (i == rows.size()) fail(line, "text without a closing '.'");
        } else if (word == "get" || word == "names" || word == "set" || word == "lines") {
            Operation op;
            op.verb = word;
            op.line = line;
            const std::vector<std::string> parts = SplitBars(r);
            for (std::size_t k = 1; k < parts.size(); ++k) {
                if (parts[k] == "~")
                    op.args.emplace_back(std::nullopt);
                else
                    op.args.emplace_back(Unescape(parts[k]));
            }
            const std::size_t want = word == "get"     ? 4
                                     : word == "names" ? 1
                                     : word == "set"   ? 3
                                                       : 0;
            if (op.args.size() != want) fail(line, "wrong number of arguments");
            if ((word == "get" || word == "names") && (!op.args.back() || op.args.back()->empty()))
                fail(line, "missing buffer size");
            c.ops.push_back(op);
        } else {
            fail(line, "unknown directive '" + word + "'");
        }
    }
    return cases;
}

// The file as the case describes it.
inline std::string FileBytes(const Case& c) {
    std::string text;
    for (std::size_t i = 0; i < c.lines.size(); ++i) {
        text += c.lines[i];
        if (i + 1 < c.lines.size() || c.finalEol) text += c.eol;
    }
    std::string out;
    if (c.enc == "utf8") return text;
    if (c.enc == "utf8bom") return "\xEF\xBB\xBF" + text;
    const std::vector<std::uint32_t> cps = DecodeUtf8(text);
    if (c.enc == "ansi") {
        for (const std::uint32_t cp : cps) out += static_cast<char>(cp & 0xFF);
        return out;
    }
    const bool bigEndian = c.enc == "utf16be";
    if (c.enc != "utf16nobom") out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (std::uint32_t cp : cps) {
        auto unit = [&out, bigEndian](std::uint32_t u) {
            out += static_cast<char>(bigEndian ? u >> 8 : u & 0xFF);
            out += static_cast<char>(bigEndian ? u & 0xFF : u >> 8);
        };
        if (cp >= 0x10000) {
            cp -= 0x10000;
            unit(0xD800 + (cp >> 10));
            unit(0xDC00 + (cp & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

// Printable form of a result: control characters, NULs, backslashes and bars
// escaped, so one result is one line of output.
inline std::string Escape(const std::string& s) {
    std::string out;
    for (const char ch : s) {
        const auto b = static_cast<unsigned char>(ch);
        if (ch == '\\' || ch == '|') {
            out += '\\';
            out += ch;
        } else if (b < 0x20 || b == 0x7F) {
            const char* hex = "0123456789abcdef";
            out += "\\x";
            out += hex[b >> 4];
            out += hex[b & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

// What "lines" reports: the encoding by its BOM (a file whose first character
// is ASCII in UTF-16 without BOM as "utf16nobom"), then every non-blank line in
// order. Line ends, blank lines and blanks around names and values are left
// out: Wine rewrites them all, and they are not what a reader sees.
inline std::string DescribeFile(const std::string& bytes, bool exists) {
    if (!exists) return "no file";
    std::string kind = "plain";
    std::string text;
    const auto byte = [&bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const bool le = bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE;
    const bool be = bytes.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF;
    const bool noBom = !le && !be && bytes.size() >= 2 && byte(0) != 0 && byte(1) == 0;
    if (le || be || noBom) {
        kind = le ? "utf16" : be ? "utf16be" : "utf16nobom";
        const auto unitAt = [&](std::size_t i) -> std::uint32_t {
            return static_cast<std::uint32_t>(be ? (byte(i) << 8) | byte(i + 1)
                                                 : byte(i) | (byte(i + 1) << 8));
        };
        for (std::size_t i = noBom ? 0 : 2; i + 1 < bytes.size(); i += 2) {
            std::uint32_t u = unitAt(i);
            if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
                const std::uint32_t lo = unitAt(i + 2);
                u = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
                i += 2;
            }
            AppendUtf8(text, u);
        }
    } else if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) {
        kind = "utf8bom";
        text = bytes.substr(3);
    } else {
        text = bytes;  // compared as bytes; both sides keep ANSI bytes as they are
    }
    std::string out = kind + ":";
    std::string line;
    auto flush = [&]() {
        auto trim = [](const std::string& t) {
            const std::size_t a = t.find_first_not_of(" \t");
            if (a == std::string::npos) return std::string();
            return t.substr(a, t.find_last_not_of(" \t") - a + 1);
        };
        std::string l = trim(line);
        line.clear();
        if (l.empty()) return;
        // Blanks around names and '=' are left out too: Wine drops them.
        const std::size_t close = l.rfind(']');
        const std::size_t eq = l.find('=');
        if (l[0] == '[' && close != std::string::npos) {
            l = "[" + trim(l.substr(1, close - 1)) + "]";
        } else if (eq != std::string::npos) {
            l = trim(l.substr(0, eq)) + "=" + trim(l.substr(eq + 1));
        }
        out += " " + Escape(l) + " |";
    };
    for (const char ch : text) {
        if (ch == '\r' || ch == '\n')
            flush();
        else
            line += ch;
    }
    flush();
    return out;
}

// The languages a run goes through, in order; each runs the cases of its own.
inline const std::vector<std::string>& Languages() {
    static const std::vector<std::string> kLanguages = {"EN", "CHS"};
    return kLanguages;
}

// One output line per operation: "CASE#N verb: result".
inline std::string ResultLine(const Case& c, std::size_t index, const Operation& op,
                              const std::string& result) {
    return c.name + "#" + std::to_string(index + 1) + " " + op.verb + ": " + result;
}

}  // namespace oracle
