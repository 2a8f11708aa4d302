#include "forms/programhost.h"

#include <utility>

namespace skiff {

namespace {
ProgramHost* living = nullptr;
}  // namespace

ProgramHost::ProgramHost() : previous_(std::exchange(living, this)) {}

ProgramHost::~ProgramHost() {
    if (living == this) living = previous_;
}

ProgramHost* ProgramHost::current() {
    return living;
}

}  // namespace skiff
