// Profile import on any JSON: what it accepts, exported again, imports to the
// same profile, and exporting that gives the same document.
#include <nlohmann/json.hpp>

#include "Check.h"
#include "session/ProfileJson.h"

using namespace ornyx::session;

namespace {

bool Same(const Profile& a, const Profile& b) {
    return a.firstRunFlag == b.firstRunFlag && a.image.bytes == b.image.bytes &&
           a.labels == b.labels && a.macros == b.macros;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    const std::optional<nlohmann::json> parsed = ParseProfile(std::span(data, size), error);
    const nlohmann::json plain = nlohmann::json::parse(data, data + size, nullptr, false);
    // Refusing repeated keys is all it adds to the parser.
    FUZZ_CHECK(parsed.has_value() || !error.empty());
    if (parsed) FUZZ_CHECK(*parsed == plain);
    if (!parsed) return 0;
    const nlohmann::json& document = *parsed;
    const std::optional<Profile> profile = ImportProfile(document, error);
    if (!profile) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    const nlohmann::ordered_json exported = ExportProfile(*profile);
    const nlohmann::json reread = nlohmann::json::parse(exported.dump());
    const std::optional<Profile> again = ImportProfile(reread, error);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(Same(*again, *profile));
    FUZZ_CHECK(ExportProfile(*again) == exported);
    return 0;
}
