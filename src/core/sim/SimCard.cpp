// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimCard.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace corvalin {

namespace fs = std::filesystem;

bool IsSafeCardName(std::string_view name) {
    if (name.empty() || name == "." || name.find("..") != std::string_view::npos) return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F;
    });
}

std::vector<CardEntry> ListCard(const std::string& dir) {
    std::vector<CardEntry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code statError;
        if (!it->is_regular_file(statError)) continue;
        const uint64_t size = it->file_size(statError);
        if (statError) continue;
        entries.push_back({it->path().filename().string(), size});
    }
    std::sort(entries.begin(), entries.end(),
              [](const CardEntry& a, const CardEntry& b) { return a.name < b.name; });
    return entries;
}

std::optional<std::string> ReadCardRange(const std::string& dir, std::string_view name,
                                         uint64_t start, uint64_t end) {
    if (!IsSafeCardName(name)) return std::nullopt;
    const fs::path path = fs::path(dir) / std::string(name);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return std::nullopt;
    const uint64_t size = fs::file_size(path, ec);
    if (ec) return std::nullopt;
    end = std::min(end, size);
    if (start >= end) return std::string();

    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    in.seekg(static_cast<std::streamoff>(start));
    std::string bytes(end - start, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

bool RemoveCardFile(const std::string& dir, std::string_view name) {
    if (!IsSafeCardName(name)) return false;
    const fs::path path = fs::path(dir) / std::string(name);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return false;  // a link goes, never its target
    return fs::remove(path, ec);
}

Status WriteCardFile(const std::string& dir, const std::string& name, const std::string& content) {
    const fs::path path = fs::path(dir) / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out) return Status::Error("Cannot write the card file \"" + path.string() + "\"");
    return Status::Ok();
}

}  // namespace corvalin
