// The contract every built plug-in keeps: its exports, its identity, the order of
// calls it tolerates, keys read by their low byte, and no state shared with another
// plug-in in the same process.
#include <elf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <set>

#include "harness.h"
#include "lw/host/elf_sections.h"
#include "lw/platform.h"
#include "lw/plugin/host_objects.h"
#include "lw/plugin/identity.h"
#include "lw/plugin/thumbnail.h"

namespace lw::test {
namespace {

using host::PluginLibrary;
using plugin::Family;
using plugin::PluginType;

// The names in the file's dynamic symbol table that it defines.
std::set<std::string> DefinedDynamicSymbols(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> f((std::istreambuf_iterator<char>(in)), {});
  auto eh = reinterpret_cast<const Elf64_Ehdr*>(f.data());
  auto sections = reinterpret_cast<const Elf64_Shdr*>(f.data() + eh->e_shoff);
  std::set<std::string> names;
  for (int i = 0; i < eh->e_shnum; ++i) {
    if (sections[i].sh_type != SHT_DYNSYM) continue;
    const Elf64_Shdr& strtab = sections[sections[i].sh_link];
    auto syms = reinterpret_cast<const Elf64_Sym*>(f.data() + sections[i].sh_offset);
    for (std::size_t k = 0; k < sections[i].sh_size / sizeof(Elf64_Sym); ++k)
      if (syms[k].st_shndx != SHN_UNDEF && syms[k].st_name != 0)
        names.insert(f.data() + strtab.sh_offset + syms[k].st_name);
  }
  return names;
}

class ContractTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { host_ = FreshHost(); }
  std::unique_ptr<host::HostEnvironment> host_;
};

TEST_P(ContractTest, ExportsExactlyTheSeventeenEntryPoints) {
  const auto names = DefinedDynamicSymbols(PluginPath(GetParam()));
  const std::set<std::string> expected(host::kEntryPointNames.begin(), host::kEntryPointNames.end());
  EXPECT_EQ(names, expected);
}

TEST_P(ContractTest, CarriesItsThumbnailAndModuleName) {
  const auto path = PluginPath(GetParam()).string();
  auto module = host::ReadElfSection(path, ".lw_module");
  ASSERT_TRUE(module);
  EXPECT_STREQ(reinterpret_cast<const char*>(module->data()), "LUMAWEAVE_PLUGIN.dll");
  auto resources = host::ReadElfSection(path, ".lw_resources");
  ASSERT_TRUE(resources);
  plugin::ResourceRecord record;
  ASSERT_GE(resources->size(), sizeof record);
  std::memcpy(&record, resources->data(), sizeof record);
  EXPECT_STREQ(record.name, "BITMAP_THUMBNAIL");
  EXPECT_EQ(record.language, 1041u);
  EXPECT_EQ(record.size, 284u);
  plugin::ThumbPixels px{};
  EXPECT_TRUE(plugin::DecodeThumbnail(record.data, record.size, &px));
}

TEST_P(ContractTest, ReportsItsIdentityAndFixedCodes) {
  const plugin::PluginIdentity* id = plugin::FindIdentity(GetParam());
  ASSERT_NE(id, nullptr);
  PluginLibrary lib(PrivateCopy(GetParam()));
  const auto& c = lib.calls();
  const char* name = nullptr;
  std::uint32_t size = 0;
  EXPECT_EQ(c.GetPluginName(&name, &size), 1);
  EXPECT_EQ(std::string(name), id->name);
  EXPECT_EQ(size, id->name.size() + 1);
  const char* again = nullptr;
  c.GetPluginName(&again, &size);
  EXPECT_EQ(again, name) << "the library's own string, every time";
  EXPECT_EQ(c.GetPluginType(), static_cast<int>(id->type));
  EXPECT_EQ(c.GetPluginVersion(), 2);
  EXPECT_EQ(c.GetCapabilitySurfaceSize(), id->family == Family::Gl ? 1 : 3);
  EXPECT_EQ(c.GenerateOut(), 0);
  EXPECT_EQ(c.StreamOutPause(), 0);
  EXPECT_EQ(c.StreamOutStop(), 0);
  EXPECT_EQ(c.OnKeyUntrigered(200), 1);
  EXPECT_EQ(c.OnForcus(0), 1);
  EXPECT_EQ(c.OnUnforcus(0), 1);
  EXPECT_EQ(c.CheckDll(), 1);
  ASSERT_EQ(c.CeateDll(0, 0), 1);
  EXPECT_EQ(c.StreamOutPlay(), id->streamOutPlayResult);
  for (std::uint32_t key : {0u, 200u, 208u, 456u, 0xFFFFFFFFu}) EXPECT_EQ(c.OnKeyTrigered(key), 1);
  EXPECT_EQ(c.ReleaseDll(), 1);
}

TEST_P(ContractTest, ReleaseBeforeCreateAndTwiceIsHarmless) {
  PluginLibrary lib(PrivateCopy(GetParam()));
  const auto surfaces = LiveSurfaceCount();
  EXPECT_EQ(lib.calls().ReleaseDll(), 1);
  EXPECT_EQ(lib.calls().ReleaseDll(), 1);
  ASSERT_EQ(lib.calls().CeateDll(0, 0), 1);
  EXPECT_EQ(lib.calls().ReleaseDll(), 1);
  EXPECT_EQ(lib.calls().ReleaseDll(), 1);
  EXPECT_EQ(LiveSurfaceCount(), surfaces) << "nothing created is left behind";
}

TEST_P(ContractTest, TheOtherTypesFrameCallTouchesNothing) {
  PluginLibrary lib(PrivateCopy(GetParam()));
  ASSERT_EQ(lib.calls().CeateDll(0, 0), 1);
  lib.calls().StreamOutPlay();
  host::HostSurface a(host_->directDraw(), 320, 240), b(host_->directDraw(), 320, 240);
  const auto pa = PatternFrame(320, 240, 0, 0), pb = PatternFrame(320, 240, 0, 1);
  a.Write(pa.data());
  b.Write(pb.data());
  if (lib.IsComposition())
    EXPECT_EQ(lib.calls().EffectOut(a.get()), 0);
  else
    EXPECT_EQ(lib.calls().CompositionOut(a.get(), b.get()), 0);
  std::vector<std::uint16_t> ra(pa.size()), rb(pb.size());
  a.Read(ra.data());
  b.Read(rb.data());
  EXPECT_EQ(ra, pa);
  EXPECT_EQ(rb, pb);
  lib.calls().ReleaseDll();
}

// Runs a fresh instance over frames with keys before frame 1 and 3; returns every
// output frame.
std::vector<std::vector<std::uint16_t>> RunWithKeys(const std::string& deliverable,
                                                    std::vector<std::uint32_t> keys1,
                                                    std::vector<std::uint32_t> keys3) {
  auto host = FreshHost();
  PluginLibrary lib(PrivateCopy(deliverable));
  ScriptedRun run(lib, *host);
  EXPECT_TRUE(run.Start());
  std::vector<std::vector<std::uint16_t>> frames;
  for (int i = 0; i < 6; ++i) {
    run.Step(i == 1 ? keys1 : i == 3 ? keys3 : std::vector<std::uint32_t>{}, i == 0);
    frames.push_back(run.output());
  }
  run.Finish();
  return frames;
}

TEST_P(ContractTest, KeysAreReadByTheirLowByte) {
  EXPECT_EQ(RunWithKeys(GetParam(), {200}, {208}), RunWithKeys(GetParam(), {456}, {464}));
  EXPECT_EQ(RunWithKeys(GetParam(), {}, {}), RunWithKeys(GetParam(), {0x141, 0}, {0xFF, 201}))
      << "other low bytes change nothing";
}

INSTANTIATE_TEST_SUITE_P(Built, ContractTest, ::testing::ValuesIn(BuiltPlugins()),
                         [](const auto& info) { return info.param; });

// The plug-ins that keep no WorkSurface read no registry value: they are ready whatever
// the registry holds, an empty one included, and leave it as it was.
TEST(RegistryFreeTest, CreationSucceedsOnAnEmptyRegistryAndOpensNoKey) {
  const auto built = BuiltPlugins();
  for (const char* name : {"mosaic", "interlaced_composition", "v_slide", "h_slide"}) {
    if (std::find(built.begin(), built.end(), name) == built.end()) continue;
    RegReset();
    PluginLibrary lib(PrivateCopy(name));
    EXPECT_EQ(lib.calls().CheckDll(), 1) << name;
    EXPECT_EQ(lib.calls().CeateDll(0, 0), 1) << name;
    EXPECT_FALSE(RegKeyExists(plugin::kDDKey)) << name << ": no key opened, so none created";
    EXPECT_EQ(lib.calls().ReleaseDll(), 1) << name;
  }
}

// All built plug-ins loaded into one process and driven in turn give the same frames
// as each driven alone: no state is shared between them.
TEST(SharedProcessTest, PluginsShareNoState) {
  const auto names = BuiltPlugins();
  auto drive = [&](bool together) {
    std::map<std::string, std::vector<std::vector<std::uint16_t>>> out;
    auto host = FreshHost();
    std::vector<std::unique_ptr<PluginLibrary>> libs;
    std::vector<std::unique_ptr<ScriptedRun>> runs;
    for (const auto& n : names) {
      libs.push_back(std::make_unique<PluginLibrary>(PluginPath(n)));
      runs.push_back(std::make_unique<ScriptedRun>(*libs.back(), *host));
    }
    if (together) {
      for (auto& r : runs) EXPECT_TRUE(r->Start());
      for (int i = 0; i < 5; ++i)
        for (std::size_t k = 0; k < runs.size(); ++k) {
          runs[k]->Step(i % 2 ? std::vector<std::uint32_t>{200, 208} : std::vector<std::uint32_t>{},
                        i == 0);
          out[names[k]].push_back(runs[k]->output());
        }
      for (auto& r : runs) r->Finish();
    } else {
      for (std::size_t k = 0; k < runs.size(); ++k) {
        // A private copy gives a fresh instance, untouched by the run above.
        PluginLibrary alone(PrivateCopy(names[k]));
        ScriptedRun run(alone, *host);
        EXPECT_TRUE(run.Start());
        for (int i = 0; i < 5; ++i) {
          run.Step(i % 2 ? std::vector<std::uint32_t>{200, 208} : std::vector<std::uint32_t>{},
                   i == 0);
          out[names[k]].push_back(run.output());
        }
        run.Finish();
      }
    }
    return out;
  };
  const auto together = drive(true);
  const auto alone = drive(false);
  for (const auto& n : names) EXPECT_EQ(together.at(n), alone.at(n)) << n;
}

}  // namespace
}  // namespace lw::test
