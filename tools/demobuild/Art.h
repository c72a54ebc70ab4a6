// Procedural art shared by the picture, album and room generators.
#pragma once

#include "AssetList.h"
#include "Canvas.h"

#include <string>

namespace demo {

// "RRGGBB" in hex; false when it is not.
bool ParseColour(const std::string& text, Colour* out);

// A framed button face with a centred label ("_" a space); a panel (a
// page's ground) has its label as a title at the top.
// state: 'a' normal, 'b' highlighted, 'c' pressed or disabled.
Canvas ButtonFace(int32_t w, int32_t h, Colour base, const std::string& label, char state,
                  uint32_t seed, bool titleOnTop = false);
// A caption on the colour key, left-aligned and as large as fits.
Canvas Label(int32_t w, int32_t h, const std::string& label, Colour ink);
// The file dialog's page: a title, and the white name field and file list
// with their captions where the game lays those controls (which draw no
// ground of their own) out.
Canvas FilePage(int32_t w, int32_t h, Colour base, const std::string& title);
// A small symbol on the colour key: disc, box, bars, question or cross.
Canvas Symbol(int32_t w, int32_t h, const std::string& shape, Colour base);
// The island map under its title.
Canvas IslandMap(int32_t w, int32_t h, uint32_t seed, const std::string& title);
// The scroll bars' parts. An arrow button pointing 'l'eft, 'r'ight, 'u'p or
// 'd'own, a '-' or '+' button, or a thumb ('=' grip lines across, '|' along);
// `state` as for ButtonFace.
Canvas ScrollButton(int32_t w, int32_t h, char sign, char state);
// A track: a sunken groove; a horizontal one rises as a wedge from left to
// right (a volume).
Canvas ScrollTrack(int32_t w, int32_t h);
// A face of a speaker: mouth open by `open` of 0 .. 3.
// A face on `ground` (the transparent key by default: a speaker's face).
Canvas Face(int32_t w, int32_t h, Colour skin, int32_t open, Colour ground = kClear);
// A picture of an inventory item by id, lit when `highlight`.
Canvas ItemPicture(int32_t w, int32_t h, int32_t id, bool highlight);

// Reports an opaque pixel that would turn into the colour key.
bool CheckKeyColour(const Canvas& c, std::string* error);

} // namespace demo
