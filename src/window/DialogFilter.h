#pragma once
// File-type filters and default extensions of the design, in the form the
// file dialog takes them.

#include <QString>
#include <string_view>

// "Description|pattern" pairs ("JPEG Image File (*.jpg)|*.jpg", more pairs
// after further bars) become one "Description (patterns)" entry per pair,
// joined by ";;". A description that already ends with its patterns in
// parentheses is kept as it is; several patterns of one pair ("*.jpg;*.jpeg")
// are separated by spaces. A pair without a pattern is dropped.
QString QtFileFilter(std::string_view designFilter);

// The default extension without its dot (".jpg" gives "jpg"); empty stays empty.
QString DialogDefaultSuffix(std::string_view extension);
