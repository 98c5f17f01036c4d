// Reading a named section from an ELF file without loading it: how the host finds a
// plug-in's thumbnail and module name.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lw::host {

// The section's bytes, or nothing when the file is no 64-bit ELF or lacks it.
std::optional<std::vector<std::uint8_t>> ReadElfSection(const std::string& path,
                                                        const std::string& section);

}  // namespace lw::host
