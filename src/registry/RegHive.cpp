// The key tree of the file store.

#include "registry/RegHive.h"

#include <algorithm>

namespace vantrel {
namespace {

RegKeyPath LowerPath(const RegKeyPath& path) {
    RegKeyPath lower;
    lower.reserve(path.size());
    for (const auto& component : path) lower.push_back(LowerAscii(component));
    return lower;
}

}  // namespace

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::optional<RegKeyPath> SplitKeyPath(std::string_view path) {
    RegKeyPath components;
    if (path.empty()) return components;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        const std::string_view component = path.substr(start, end - start);
        if (component.empty() || component.find_first_of(std::string_view("\0\r\n", 3)) != std::string_view::npos)
            return std::nullopt;
        components.emplace_back(component);
        if (end == path.size()) return components;
        start = end + 1;
    }
}

const RegHiveKey* RegHive::Find(const RegKeyPath& path) const {
    const auto found = keys_.find(LowerPath(path));
    return found == keys_.end() ? nullptr : &found->second;
}

RegHiveKey* RegHive::Find(const RegKeyPath& path) {
    const auto found = keys_.find(LowerPath(path));
    return found == keys_.end() ? nullptr : &found->second;
}

RegHiveKey& RegHive::Create(const RegKeyPath& path) {
    RegKeyPath lower;
    RegHiveKey* key = nullptr;
    for (std::size_t depth = 0; depth < path.size(); ++depth) {
        lower.push_back(LowerAscii(path[depth]));
        auto [it, inserted] = keys_.try_emplace(lower);
        if (inserted) {  // named as its parent is, whatever case this path gives the parent
            if (key != nullptr) it->second.path = key->path;
            it->second.path.push_back(path[depth]);
        }
        key = &it->second;
    }
    if (key == nullptr) {  // the root itself
        auto [it, inserted] = keys_.try_emplace(RegKeyPath{});
        key = &it->second;
    }
    key->listed = true;
    return *key;
}

void RegHive::Erase(const RegKeyPath& path) {
    const RegKeyPath lower = LowerPath(path);
    auto it = keys_.lower_bound(lower);
    while (it != keys_.end() && it->first.size() >= lower.size() &&
           std::equal(lower.begin(), lower.end(), it->first.begin()))
        it = keys_.erase(it);
}

std::vector<std::string> RegHive::SubkeyNames(const RegKeyPath& path) const {
    const RegKeyPath lower = LowerPath(path);
    std::vector<std::string> names;
    for (auto it = keys_.upper_bound(lower); it != keys_.end(); ++it) {
        if (it->first.size() <= lower.size() || !std::equal(lower.begin(), lower.end(), it->first.begin())) break;
        if (it->first.size() == lower.size() + 1) names.push_back(it->second.path.back());
    }
    return names;
}

void RegHive::SetValue(RegHiveKey& key, const std::string& name, RegType type, std::vector<std::uint8_t> data) {
    auto [it, inserted] = key.values.try_emplace(LowerAscii(name));
    if (inserted) it->second.name = name;
    it->second.type = type;
    it->second.data = std::move(data);
}

const RegValue* RegHive::FindValue(const RegHiveKey& key, const std::string& name) {
    const auto found = key.values.find(LowerAscii(name));
    return found == key.values.end() ? nullptr : &found->second;
}

}  // namespace vantrel
