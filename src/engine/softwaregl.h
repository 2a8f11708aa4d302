#pragma once

// Which OpenGL renderers draw on the CPU. Plain C++ without Qt, so that a program of GTK alone
// (the benchmarks' bare WebKitGTK view) makes the same choice as Skiff.

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace skiff {

// Whether `glRenderer`, the name an OpenGL driver gives its renderer (GL_RENDERER), names one
// that draws on the CPU: Mesa's (llvmpipe, softpipe, the classic swrast) and Chromium's own.
inline bool namesSoftwareRenderer(std::string_view glRenderer) {
    std::string name(glRenderer);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    constexpr std::string_view kSoftware[] = {"llvmpipe", "softpipe", "software rasterizer",
                                              "swrast", "swiftshader"};
    return std::any_of(
        std::begin(kSoftware), std::end(kSoftware),
        [&name](std::string_view software) { return name.find(software) != std::string::npos; });
}

}  // namespace skiff
