#pragma once

// The question asked when the user quits while the local engine installs.
class QuitAlert {
public:
    QuitAlert() = delete;

    static constexpr const char *message = "Local MLX setup is still running";
    static constexpr const char *informativeText =
        "Let the private runtime and model finish installing before quitting.";
    static constexpr const char *keepInstallingTitle = "Keep installing";
    static constexpr const char *quitTitle = "Quit and stop setup";

    // Modal; true unless the user chose to quit. "Keep installing" comes
    // first and is both the default and the Escape answer.
    static bool keepInstalling();
    // Closes the question if it is open, as Escape would.
    static void dismiss();
};
