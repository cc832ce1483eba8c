#pragma once

// Opens the options dialog; it does nothing until that window exists.
namespace modOptions {

void OpenOptions();

} // namespace modOptions
