// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace corvalin::test {

// A TCP port on 127.0.0.1 that nothing listens on now.
int FreeLoopbackPort();

}  // namespace corvalin::test
