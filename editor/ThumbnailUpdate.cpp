#include "ClipreelMovFileEditor.h"

// Not written yet: refreshing the camera record always fails until it is.
bool CClipreelMovFileEditor::updateTHMData(CZentiMovie*, std::int64_t, const void*, unsigned) const {
    return false;
}
