// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Add To SIM" hint is kept on its button under this property instead of as a tooltip:
// the button shows no tooltip, yet the text is read and written back like every other hint.
inline constexpr const char* StoredHintProperty = "Hint";
