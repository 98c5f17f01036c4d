// The fxhost commands.
#pragma once
#include <string>
#include <vector>

namespace lw::host {

// Runs one command; returns the exit code. Throws std::invalid_argument for bad usage
// and std::runtime_error for failures, each with one clear line.
int RunCommand(const std::string& command, const std::vector<std::string>& args);

int ListCommand(const std::vector<std::string>& args);
int InfoCommand(const std::vector<std::string>& args);
int RenderCommand(const std::vector<std::string>& args);

// The thumbnail of a plug-in file as text art, one line a row; empty lines when the
// file carries none.
std::vector<std::string> ThumbnailArt(const std::string& pluginPath);

}  // namespace lw::host
