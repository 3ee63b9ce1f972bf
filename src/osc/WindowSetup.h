#pragma once

#include "setup/Setup.h"
#include "setup/SetupFile.h"

#include <optional>

class OscWidget;

// Reads a Setup out of the window's widgets and puts one back. Applying replaces what the window
// had: its controls, its rules, its binding.
class WindowSetup
{
public:
    static Setup gather(const OscWidget &window);
    // What the file format leaves to the window: each control's address must be one the panel
    // takes. Nothing when the setup can be applied.
    static std::optional<SetupProblem> check(const Setup &setup);
    // Releases the port if bound, sets every field and binds again if the setup was bound.
    static void apply(OscWidget &window, const Setup &setup);

private:
    static void applyControls(OscWidget &window, const Setup &setup);
    static void applyNetwork(OscWidget &window, const Setup &setup);
};
