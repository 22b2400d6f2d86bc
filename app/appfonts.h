#pragma once

// The form asks for "微软雅黑" and "Microsoft YaHei UI", which only Windows
// has. Elsewhere the toolkit would fall back to its default sans font, much
// wider in Latin text (English texts get clipped) and without Chinese glyphs
// of its own; this points those families at a Chinese UI font that is there.
class AppFonts
{
public:
    // Call once after the application object exists. Where the requested
    // families are installed, the substitutes are never consulted.
    static void installSubstitutes();
};
