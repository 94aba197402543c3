#pragma once

namespace BuiltInPictures {

// The pictures are built into the static library, whose resource data a
// program links in only when something calls for it: every window that shows
// one of them calls this first. Calling it again does no harm.
void load();

} // namespace BuiltInPictures
