#pragma once
// Country flags beside the country codes of the server list, from Debian's
// famfamfam-flag-png (16 x 11 pictures named by lower-case code). Each picture
// is read once; without the package no flag is drawn.
#include <QPixmap>
#include <string>

namespace vyk {

// The flag of a two-letter code, or a null pixmap.
QPixmap CountryFlag(const std::string& code);

}  // namespace vyk
