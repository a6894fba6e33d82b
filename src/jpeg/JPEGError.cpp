#include "jpeg/JPEGError.h"

#include <string>

EJPEG::EJPEG(int code) : std::runtime_error("JPEG error #" + std::to_string(code)), fCode(code) {}
