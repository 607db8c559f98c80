// The height-diameter table stores a volume only for trees whose ratio of height
// (m) to diameter (cm) is plausible.
#pragma once

namespace dravlik {

// 0.25 < h/d < 1.9, with h/d rounded to a double and 1.9 held at extended
// precision: the extended 1.9 lies just below 1.9 but above the double nearest
// 19/10, so the ratio 1.9 itself passes while 0.25 itself does not.
bool HasPlausibleRatio(int height, int diameter);

}  // namespace dravlik
