#include "lw/host/commands.h"
namespace lw::host {
int ShowreelCommand(const std::vector<std::string>&) { return 1; }
}
