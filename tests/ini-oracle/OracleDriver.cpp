// The Linux side of the INI comparison. Runs the case list through our own
// profile functions and compares the results with what the system's functions
// gave (the Windows program's output under Wine):
//
//   ornyx_ini_oracle CASES                      our results, one line per operation
//   ornyx_ini_oracle CASES WINE_OUTPUT TABLE    compare; exit 1 on any difference
//                                               the table does not list exactly
//
// TABLE is the markdown table of accepted differences. Each row names one
// operation ("case#n") with Wine's and our result as printed here, so the
// table cannot drift from what the code does: a listed difference that is
// gone, or whose results changed, fails too.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "CaseFile.h"
#include "common/Utf8.h"
#include "profile/PrivateProfile.h"

namespace {

namespace fs = std::filesystem;
using namespace ornyx;

std::string ReadAll(const fs::path& p, bool& exists) {
    std::ifstream in(p, std::ios::binary);
    exists = static_cast<bool>(in);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> RunOurs(const std::vector<oracle::Case>& cases, const fs::path& dir) {
    std::vector<std::string> out;
    for (const std::string& language : oracle::Languages()) {
        for (std::size_t ci = 0; ci < cases.size(); ++ci) {
            const oracle::Case& c = cases[ci];
            if (c.lan != language) continue;
            const fs::path folder = dir / ("case-" + std::to_string(ci));
            fs::remove_all(folder);
            fs::create_directories(folder);
            const fs::path file = folder / "profile.ini";
            // The installation's language, where our functions look for it.
            if (c.lan != "EN")
                std::ofstream(folder / "str.ini", std::ios::binary)
                    << "[Skins]\r\nLan=" << c.lan << "\r\n";
            if (!c.noFile) {
                std::ofstream f(file, std::ios::binary);
                const std::string bytes = oracle::FileBytes(c);
                f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            }
            for (std::size_t k = 0; k < c.ops.size(); ++k) {
                const oracle::Operation& op = c.ops[k];
                auto arg = [&op](std::size_t i) -> std::optional<std::string_view> {
                    if (!op.args[i]) return std::nullopt;
                    return std::string_view(*op.args[i]);
                };
                std::string result;
                if (op.verb == "get") {
                    const std::size_t size = std::stoul(*op.args[3]);
                    result = "\"" +
                             oracle::Escape(profile::GetPrivateProfileString(
                                 file, arg(0).value_or(""), arg(1).value_or(""),
                                 arg(2).value_or(""), size)) +
                             "\"";
                } else if (op.verb == "names") {
                    const std::u16string buffer =
                        profile::GetPrivateProfileSectionNamesBuffer(file, std::stoul(*op.args[0]));
                    result = "\"" + oracle::Escape(utf8::FromUtf16(buffer)) + "\"";
                } else if (op.verb == "set") {
                    result = profile::WritePrivateProfileString(file, arg(0).value_or(""), arg(1),
                                                                arg(2))
                                     .ok
                                 ? "ok"
                                 : "failed";
                } else {
                    bool exists = false;
                    const std::string bytes = ReadAll(file, exists);
                    result = oracle::DescribeFile(bytes, exists);
                }
                out.push_back(oracle::ResultLine(c, k, op, result));
            }
        }
    }
    return out;
}

// "case#n verb: result" -> {"case#n", "verb: result"}
std::pair<std::string, std::string> SplitResult(const std::string& line) {
    const std::size_t sp = line.find(' ');
    if (sp == std::string::npos) return {line, ""};
    return {line.substr(0, sp), line.substr(sp + 1)};
}

struct Accepted {
    std::string wine;
    std::string ours;
};

std::string TrimCell(const std::string& s) {
    const std::size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return {};
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

// Markdown needs a bar inside a cell written "\|"; results and cells are
// compared with every "\|" read as "|".
std::string Unbar(std::string s) {
    for (std::size_t at; (at = s.find("\\|")) != std::string::npos;) s.erase(at, 1);
    return s;
}

// Rows "| `case#n` | `wine result` | `our result` | windows | decision |".
// Inside the backtick cells a bar is written "\|", as the results print it.
std::map<std::string, Accepted> ReadTable(const std::string& text) {
    std::map<std::string, Accepted> rows;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("| `", 0) != 0) continue;
        const std::vector<std::string> cells = oracle::SplitBars(line);
        if (cells.size() < 4) continue;
        auto code = [](const std::string& cell) {
            std::string t = TrimCell(cell);
            if (t.size() >= 2 && t.front() == '`' && t.back() == '`') t = t.substr(1, t.size() - 2);
            return Unbar(t);
        };
        rows[code(cells[1])] = {code(cells[2]), code(cells[3])};
    }
    return rows;
}

// The verb is part of the printed result; the table lists results without it.
std::string ResultOnly(const std::string& s) {
    const std::size_t colon = s.find(": ");
    return colon == std::string::npos ? s : s.substr(colon + 2);
}

int Compare(const std::vector<std::string>& ours, const std::string& wineText,
            const std::string& tableText) {
    std::vector<std::string> wine;
    std::istringstream in(wineText);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) wine.push_back(line);
    }
    if (wine.size() != ours.size()) {
        std::printf(
            "FAIL: Wine gave %zu results, ours %zu (did the Windows program run to the end?)\n",
            wine.size(), ours.size());
        return 1;
    }
    std::map<std::string, Accepted> table = ReadTable(tableText);
    int failures = 0;
    std::size_t differences = 0;
    for (std::size_t i = 0; i < ours.size(); ++i) {
        const auto [id, our] = SplitResult(ours[i]);
        const auto [wineId, theirs] = SplitResult(wine[i]);
        if (id != wineId) {
            std::printf("FAIL: result %zu is %s here and %s under Wine\n", i + 1, id.c_str(),
                        wineId.c_str());
            return 1;
        }
        const auto row = table.find(id);
        if (our == theirs) {
            if (row != table.end()) {
                std::printf("FAIL: %s is listed as a difference but both give %s\n", id.c_str(),
                            our.c_str());
                ++failures;
                table.erase(row);
            }
            continue;
        }
        ++differences;
        if (row == table.end()) {
            std::printf("FAIL: %s differs and is not in the table\n  wine: %s\n  ours: %s\n",
                        id.c_str(), theirs.c_str(), our.c_str());
            ++failures;
            continue;
        }
        if (row->second.wine != Unbar(ResultOnly(theirs)) ||
            row->second.ours != Unbar(ResultOnly(our))) {
            std::printf("FAIL: %s differs otherwise than the table says\n  wine: %s\n  ours: %s\n",
                        id.c_str(), theirs.c_str(), our.c_str());
            ++failures;
        }
        table.erase(row);
    }
    for (const auto& [id, row] : table) {
        std::printf("FAIL: the table lists %s, which no case has\n", id.c_str());
        ++failures;
    }
    std::printf("%zu operations, %zu accepted differences, %d failures\n", ours.size(), differences,
                failures);
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: ornyx_ini_oracle CASES [WINE_OUTPUT TABLE]\n");
        return 2;
    }
    bool exists = false;
    const std::string list = ReadAll(argv[1], exists);
    if (!exists) {
        std::fprintf(stderr, "ornyx_ini_oracle: cannot read %s\n", argv[1]);
        return 2;
    }
    try {
        const std::vector<oracle::Case> cases = oracle::ParseCases(list);
        const fs::path dir = fs::current_path() / "ours";
        fs::create_directories(dir);
        const std::vector<std::string> ours = RunOurs(cases, dir);
        if (argc == 2) {
            for (const std::string& line : ours) std::printf("%s\n", line.c_str());
            return 0;
        }
        bool wineThere = false, tableThere = false;
        const std::string wine = ReadAll(argv[2], wineThere);
        const std::string table = ReadAll(argv[3], tableThere);
        if (!wineThere || !tableThere) {
            std::fprintf(stderr, "ornyx_ini_oracle: cannot read %s or %s\n", argv[2], argv[3]);
            return 2;
        }
        return Compare(ours, wine, table);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ornyx_ini_oracle: %s\n", e.what());
        return 2;
    }
}
