#pragma once

class QObject;

// The application as assistive technologies see it. Qt leaves pop-up windows
// out of the application's children, so a screen reader's review could not
// find an open menu; here every shown pop-up is a child too, and so is any
// element the program adds for the time it is on show (an announcement).
class ApplicationAccessible {
public:
    ApplicationAccessible() = delete;

    // Before the application object's accessible interface is first asked
    // for, so at start-up, before the QApplication exists.
    static void install();

    // Adds or removes a child that is not a window. Callers remove what they
    // add before it is destroyed.
    static void addElement(QObject *element);
    static void removeElement(QObject *element);
};
