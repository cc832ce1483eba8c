#pragma once

class winOptions;

// Opening the options dialog from the tray.
namespace modOptions {

// Opens the options dialog; when it is open already, only raises it.
winOptions *OpenOptions();

} // namespace modOptions
