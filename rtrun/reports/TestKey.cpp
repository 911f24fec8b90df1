#include "rtrun/reports/TestKey.h"

namespace rtrun {

namespace {

std::string fieldsOf(const std::string& group, const std::string& title, const std::vector<std::string>& args) {
    std::string fields = group + '\x1f' + title;
    for (const std::string& arg : args) fields += '\x1f' + arg;
    return fields;
}

} // namespace

TestKey TestKey::of(const std::string& group, const std::string& title, const std::vector<std::string>& args,
                    int occurrence) {
    TestKey key;
    key.occurrence = occurrence;
    key.text = fieldsOf(group, title, args) + '\x1e' + std::to_string(occurrence);
    key.name = group + " / " + title;
    if (!args.empty()) {
        key.name += " (";
        for (std::size_t i = 0; i < args.size(); ++i) key.name += (i ? ", " : "") + args[i];
        key.name += ")";
    }
    if (occurrence > 1) key.name += " #" + std::to_string(occurrence);
    return key;
}

// FNV-1a: stable across machines and builds, which a database shared by a team needs.
std::int64_t TestKey::digest() const {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return static_cast<std::int64_t>(hash);
}

TestKey TestKeyMaker::next(const std::string& group, const std::string& title, const std::vector<std::string>& args) {
    const int occurrence = ++m_seen[fieldsOf(group, title, args)];
    return TestKey::of(group, title, args, occurrence);
}

} // namespace rtrun
