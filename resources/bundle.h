// The compiled-in resource bundle (target zeltanorvik_resources): linking the
// target is all it takes; the bundle registers itself at start-up.
#pragma once

namespace zeltanorvik {

// The bundle's index: every look, frame, layout, border, pattern, background
// and bubble with its resource path and a human name (JSON).
inline constexpr const char *kBundleIndex = ":/index.json";

// True when the bundle is registered (its index can be opened); a program
// built without it finds no masks, frames or layouts.
bool bundleRegistered();

}  // namespace zeltanorvik
