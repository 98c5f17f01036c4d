// The fxhost commands.
#pragma once
#include <string>
#include <vector>

#include "lw/host/frames.h"

namespace lw::host {

// Runs one command; returns the exit code. Throws std::invalid_argument for bad usage
// and std::runtime_error for failures, each with one clear line.
int RunCommand(const std::string& command, const std::vector<std::string>& args);

int ListCommand(const std::vector<std::string>& args);
int InfoCommand(const std::vector<std::string>& args);
int RenderCommand(const std::vector<std::string>& args);
int PreviewCommand(const std::vector<std::string>& args);
int ThumbnailsCommand(const std::vector<std::string>& args);
int ShowreelCommand(const std::vector<std::string>& args);

// The first argument, the plug-in; throws std::invalid_argument with the usage when
// it is missing.
std::string NeedPlugin(const std::vector<std::string>& args, const char* command);

// The thumbnail of a plug-in file as text art, one line a row; no lines when the file
// carries none.
std::vector<std::string> ThumbnailArt(const std::string& pluginPath);
// The thumbnail as 8-bit RGB (20 by 15) with the colours of its own colour table; an
// empty image when the file carries none.
RgbImage ThumbnailImage(const std::string& pluginPath);

}  // namespace lw::host
