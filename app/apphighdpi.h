#pragma once

// The window is a fixed 960 x 540 layout. On Linux Qt scales it by the
// desktop's scale factor (the screen's DPI, or QT_SCALE_FACTOR) and picks
// the @2x pictures; on Windows the embedded qt.conf keeps the process
// DPI-unaware and the system scales the window as a bitmap.
class AppHighDpi
{
public:
    // Call before the application object is constructed.
    static void configure();

    // Whether configure() turns Qt's own scaling on on this platform.
    static bool scalesByItself();
};
