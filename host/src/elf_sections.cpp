#include "lw/host/elf_sections.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace lw::host {

std::optional<std::vector<std::uint8_t>> ReadElfSection(const std::string& path,
                                                        const std::string& section) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), {});
  auto fits = [&](std::uint64_t offset, std::uint64_t size) {
    return offset <= file.size() && size <= file.size() - offset;
  };
  Elf64_Ehdr eh;
  if (!fits(0, sizeof eh)) return std::nullopt;
  std::memcpy(&eh, file.data(), sizeof eh);
  if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != ELFCLASS64 ||
      eh.e_shentsize != sizeof(Elf64_Shdr) || eh.e_shstrndx >= eh.e_shnum)
    return std::nullopt;
  if (!fits(eh.e_shoff, std::uint64_t{eh.e_shnum} * sizeof(Elf64_Shdr))) return std::nullopt;
  auto header = [&](unsigned i) {
    Elf64_Shdr sh;
    std::memcpy(&sh, file.data() + eh.e_shoff + i * sizeof(Elf64_Shdr), sizeof sh);
    return sh;
  };
  const Elf64_Shdr names = header(eh.e_shstrndx);
  if (!fits(names.sh_offset, names.sh_size)) return std::nullopt;
  for (unsigned i = 0; i < eh.e_shnum; ++i) {
    const Elf64_Shdr sh = header(i);
    if (sh.sh_name >= names.sh_size) continue;
    const char* name = reinterpret_cast<const char*>(file.data() + names.sh_offset + sh.sh_name);
    const std::size_t room = names.sh_size - sh.sh_name;
    if (strnlen(name, room) == room || section != name) continue;
    if (sh.sh_type == SHT_NOBITS || !fits(sh.sh_offset, sh.sh_size)) return std::nullopt;
    return std::vector<std::uint8_t>(file.begin() + static_cast<std::ptrdiff_t>(sh.sh_offset),
                                     file.begin() + static_cast<std::ptrdiff_t>(sh.sh_offset + sh.sh_size));
  }
  return std::nullopt;
}

}  // namespace lw::host
