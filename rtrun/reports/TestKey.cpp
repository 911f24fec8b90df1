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
std::uint64_t digestOf(std::string_view text, std::uint64_t hash) {
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

std::int64_t TestKey::digest() const { return static_cast<std::int64_t>(digestOf(text)); }

int Occurrences::next(std::string_view text, std::uint64_t digest) {
    if ((m_used + 1) * 2 > m_slots.size()) grow();
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = digest & mask;; i = (i + 1) & mask) {
        Slot& slot = m_slots[i];
        if (slot.count == 0) {
            slot = {digest, m_texts.size(), static_cast<std::uint32_t>(text.size()), 1};
            m_texts.append(text.data(), text.size());
            ++m_used;
            return 1;
        }
        if (slot.digest == digest && slot.length == text.size() && m_texts.compare(slot.at, slot.length, text) == 0)
            return ++slot.count;
    }
}

void Occurrences::grow() {
    std::vector<Slot> slots(m_slots.empty() ? 1024 : m_slots.size() * 2);
    const std::size_t mask = slots.size() - 1;
    for (const Slot& slot : m_slots) {
        if (slot.count == 0) continue;
        std::size_t i = slot.digest & mask;
        while (slots[i].count != 0) i = (i + 1) & mask;
        slots[i] = slot;
    }
    m_slots.swap(slots);
}

TestKey TestKeyMaker::next(const std::string& group, const std::string& title, const std::vector<std::string>& args) {
    const std::string fields = fieldsOf(group, title, args);
    return TestKey::of(group, title, args, m_seen.next(fields, digestOf(fields)));
}

} // namespace rtrun
