#pragma once

namespace platform {

// The application-wide mouse pointer, by the classic codes.
enum PointerCode { DefaultPointer = 0, Hourglass = 11 };

void setPointer(int code);
int pointer();

} // namespace platform
