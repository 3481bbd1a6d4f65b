#pragma once

class QMessageBox;

// Alerts sized to their texts: the stock message box wraps its texts to a
// narrow column, and a window manager then cuts the title short in a title
// bar that narrow.
class AlertLayout {
public:
    AlertLayout() = delete;

    // Wide enough for the message and the informative text each on one line
    // (up to a comfortable reading width); call once both texts are set.
    static void fitToTexts(QMessageBox &alert);
};
