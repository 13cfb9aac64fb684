#pragma once

// The two looks of the window. The appearance preference may force one; without
// it the system's choice applies.
enum class ColorScheme { light, dark };
