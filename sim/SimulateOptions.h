// The virtual projector's settings and faults as text, for a command-line
// option such as --simulate "refuse=F:2;split=B:5;pacing". Items are separated
// by ';' (descriptors contain commas); each is `key=value` or a bare `key`.
//
//   platform=TEXT  part=TEXT  serial=TEXT  ident=TEXT
//   partitions=DESCRIPTOR        the flash layout, e.g. 4,100000,0,10000,80000,F0000
//   mode=flash|normal            restart-mode=flash|normal
//   restart-delay=MS             detached (starts unplugged)
//   refuse=CMD[:N]               zlp=CMD[:N]           (N a count or "always"; default 1)
//   split=CMD:BYTE[:N]           long-reply=CMD:LENGTH[:N]
//   silence=CMD                  unplug-at=CMD         unplug-after-blocks=N
//   wrong-crc=N                  descriptor=TEXT (the reply to "B", verbatim)
//   pacing                       (USB full-speed frame pacing)
// CMD is a command name: Sync P G GP GS I B C S SP SS E BE CR F block end X V
// VR R.
#pragma once

#include <string>
#include <string_view>

#include "sim/ProjectorConfig.h"

namespace corvane::sim {

// Applies one item. False with a message in *error (if given) when the item
// is not understood; `config` is then unchanged.
bool ApplySimulateOption(std::string_view item, ProjectorConfig& config,
                         std::string* error = nullptr);

// Applies every ';'-separated item (empty items are skipped); stops at the
// first bad one.
bool ApplySimulateOptions(std::string_view items, ProjectorConfig& config,
                          std::string* error = nullptr);

}  // namespace corvane::sim
