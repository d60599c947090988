// Rewrites texts written for the maker's own brand (product names, the
// maker's name, logo file names, web domains, and for the reseller its
// company name and contact details) into those of the active skin.
//
// Every replacement here is case-sensitive and replaces each non-overlapping
// occurrence, scanning left to right; text that was put in is never scanned
// again by the same replacement. The forms that take a skin touch no shared
// state and may be called from any thread; the others read the active skin
// through GetSkin and belong to the main thread.
#pragma once

#include <string>
#include <string_view>

// Rewrites `text` for the active skin. True when at least one counted
// replacement was made: a web domain, a product or brand name, a logo name, or
// the time-and-fees name. The reseller's company name and contact details,
// and the plain "Tax" clean-up, are rewritten without counting. A text whose
// web domain was rewritten gets no other rewriting.
bool BrandText(std::string& text, const std::string& skin);

// The same for the active skin.
bool BrandText(std::string& text);

// The brand-name step that every partner skin shares: the maker's logo file
// names become "l<logoNumber>.jpg"/".bmp", the maker's name becomes the skin's
// (capitalised, or all upper-case for the upper-case name), and the maker's
// tax product becomes "<Skin> Tax". Returns the number of replacements.
int ApplyBrandName(std::string& text, int logoNumber, const std::string& skin);
int ApplyBrandName(std::string& text, int logoNumber);

// Rewrites `prefix` + a maker web domain (lower-case, then upper-case forms)
// into `prefix` + the skin's domain. Nothing happens for the maker's own skin,
// for an empty skin, or when the text already names the reseller's domain.
// True when anything was replaced.
bool ReplaceWebDomain(std::string& text, std::string_view prefix, const std::string& skin);
bool ReplaceWebDomain(std::string& text, std::string_view prefix);
