// Measures the macro store on hand-made record.ini files of many sections:
// listing, reading every macro (export, macro list), packing (show, pack) and
// replacing all sections (import). Prints the processor seconds (user and
// system, so that a busy machine does not blur them) per operation for each
// size, side by side, and the ratio of the largest to the smallest size per
// section: near 1.0 means the cost grows linearly with the file.
// Then the same operations on two files of the same size (15 MB unless given):
// an ordinary one of many small sections, and a hand-made one whose single
// macro has 1024 items among millions of other lines. Their ratio near 1.0 means
// the length of a section costs no more than the number of sections.
//   build/bin/bench_records [largest-section-count [megabytes]]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "common/AtomicFile.h"
#include "common/MessageSink.h"
#include "macros/MacroStore.h"
#include "settings/SettingsImage.h"

namespace {

using namespace ornyx;
namespace fs = std::filesystem;

std::string OrdinarySection(std::size_t i) {
    return "[M" + std::to_string(i) + "]\r\nMacroLoopTimes=1\r\nItemCount=3\r\n" +
           "Item0=A   Dn\r\nItem1=50 ms\r\nItem2=A   Up\r\n";
}

void Write(const fs::path& file, const std::string& text) {
    const WriteResult r = WriteFileAtomically(
        file, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    if (!r.ok) {
        std::fprintf(stderr, "bench_records: %s\n", r.error.c_str());
        std::exit(1);
    }
}

void WriteRecord(const fs::path& file, std::size_t sections) {
    std::string text;
    for (std::size_t i = 0; i < sections; ++i) text += OrdinarySection(i);
    Write(file, text);
}

// Small sections up to `bytes`.
void WriteOrdinary(const fs::path& file, std::size_t bytes) {
    std::string text;
    for (std::size_t i = 0; text.size() < bytes; ++i) text += OrdinarySection(i);
    Write(file, text);
}

// One macro of 1024 items, each after a run of lines that are no item, up to
// `bytes`: every item lookup that walks the section walks all of them.
void WriteAdversarial(const fs::path& file, std::size_t bytes) {
    std::string text = "[Long]\r\nMacroLoopTimes=1\r\nItemCount=1024\r\n";
    const std::size_t perItem = (bytes - 1024 * 16) / 1024 / 5;
    for (std::size_t j = 0; j < 1024; ++j) {
        for (std::size_t k = 0; k < perItem; ++k) text += "n=1\r\n";
        text += "Item" + std::to_string(1023 - j) + (j % 2 ? "=A   Up\r\n" : "=A   Dn\r\n");
    }
    Write(file, text);
}

double ProcessSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double Seconds(const std::function<void()>& run) {
    const double start = ProcessSeconds();
    run();
    return ProcessSeconds() - start;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t largest = argc > 1 ? std::max(1000L, std::atol(argv[1])) : 100000;
    const std::size_t megabytes = argc > 2 ? std::clamp(std::atol(argv[2]), 1L, 15L) : 15;
    const std::vector<std::size_t> sizes = {largest / 100, largest / 10, largest};
    const fs::path dir =
        fs::temp_directory_path() / ("bench_records_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "record.ini";

    struct Operation {
        const char* name;
        std::function<void()> run;
    };
    settings::SettingsImage image;
    RecordingMessageSink messages;
    std::vector<macros::NamedMacro> all;
    const std::vector<Operation> operations = {
        {"list", [&] { (void)macros::ListMacroNames(file); }},
        {"read all", [&] { all = macros::ReadAllMacros(file).value_or(all); }},
        {"pack", [&] { (void)macros::PackMacros(file, image, messages); }},
        {"replace all", [&] { (void)macros::ReplaceAllMacros(file, all); }},
    };

    std::printf("%-12s", "sections");
    for (const Operation& op : operations) std::printf(" %12s", op.name);
    std::printf("\n");
    std::vector<std::vector<double>> times;
    for (const std::size_t n : sizes) {
        WriteRecord(file, n);
        std::vector<double> row;
        std::printf("%-12zu", n);
        for (const Operation& op : operations) {
            row.push_back(Seconds(op.run));
            std::printf(" %11.3fs", row.back());
        }
        std::printf("\n");
        times.push_back(row);
    }
    // Cost per section of the largest file over that of the smallest.
    std::printf("%-12s", "ratio/sect.");
    const double scale = static_cast<double>(sizes.back()) / static_cast<double>(sizes.front());
    for (std::size_t k = 0; k < operations.size(); ++k) {
        std::printf(" %12.2f", times.back()[k] / (times.front()[k] * scale));
    }
    std::printf("\n");

    // The two shapes of the same size, side by side. "export" is what the export
    // reads (the macros and what they do not carry); "import" stores them back
    // with one more item each, so that every section gets a new line.
    std::vector<macros::NamedMacro> grown;
    const std::vector<Operation> commands = {
        {"macro list", [&] { all = macros::ReadAllMacros(file).value_or(all); }},
        {"export",
         [&] {
             if (auto read = macros::ReadForExport(file, 10)) all = std::move(read->macros);
         }},
        {"pack", [&] { (void)macros::PackMacros(file, image, messages); }},
        {"import",
         [&] {
             grown = all;
             for (macros::NamedMacro& m : grown) m.macro.items.push_back("B   Dn");
             (void)macros::ReplaceAllMacros(file, grown);
         }},
    };
    const std::size_t bytes = megabytes * 1000 * 1000;
    std::printf("\n%-12s", "same size");
    for (const Operation& op : commands) std::printf(" %12s", op.name);
    std::printf("\n");
    std::vector<std::vector<double>> shapes;
    for (const bool adversarial : {false, true}) {
        if (adversarial) {
            WriteAdversarial(file, bytes);
        } else {
            WriteOrdinary(file, bytes);
        }
        const auto size = static_cast<std::size_t>(fs::file_size(file));
        std::printf("%-12s", adversarial ? "one long" : "ordinary");
        std::vector<double> row;
        for (const Operation& op : commands) {
            row.push_back(Seconds(op.run));
            std::printf(" %11.3fs", row.back());
        }
        std::printf("   (%zu bytes)\n", size);
        shapes.push_back(row);
    }
    std::printf("%-12s", "ratio");
    for (std::size_t k = 0; k < commands.size(); ++k)
        std::printf(" %12.2f", shapes[1][k] / shapes[0][k]);
    std::printf("\n");
    fs::remove_all(dir);
    return 0;
}
