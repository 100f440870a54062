// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the C library's allocator keeps memory: tuned for decoding, and made to hand back what
// a run no longer needs.

namespace morvane {

// The decoders free and take again a few megabytes for every picture; kept by the allocator
// rather than handed back each time, they do not come back as fresh pages (page faults and,
// with several decoding threads, a TLB flush on every core).
void KeepDecodeBuffers();

// Hands every whole free page back to the system. The fingerprints of a run are made on
// worker threads and so sit in those threads' arenas, which keep their pages after the
// fingerprints have been moved out unless told.
void ReleaseFreeMemory();

}  // namespace morvane
