// The printer attached by USB, as the driver page sees it.
#pragma once
#include <string>

struct UsbApi;

// Opens the attached USB printer with a finder of its own, reads the model
// from its IEEE 1284 device ID ("MDL:") and maps a high-speed printer's
// reported model to its model-list name.  True when a printer could be
// opened (the model may still be empty); false, with an empty model, when
// none could.
bool ReadConnectedModel(std::wstring& model, const UsbApi& api);
