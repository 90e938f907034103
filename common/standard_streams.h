#pragma once

namespace wxh {

// Makes sure descriptors 0, 1 and 2 are open, opening /dev/null on each one that is closed.
// Called first thing in main(): otherwise the first file a program opens becomes its
// "standard input" (a Crow file read as a password line) or "standard error" (messages
// written into a released file). Returns false when /dev/null cannot be opened; the caller
// should then end at once, since nothing it opens can be trusted to land on a safe number.
bool EnsureStandardStreams() noexcept;

}  // namespace wxh
