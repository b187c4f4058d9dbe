#include "uninstall/record_locations.h"

#include "app/installer_state.h"
#include "base/disk_file.h"
#include "base/line_reader.h"
#include "base/lists.h"
#include "wizard/wizard_settings.h"

bool RecordUses64BitLocations(const wchar_t* recordPath) {
    DiskFile record;
    record.SetPath(recordPath);
    record.Open(GENERIC_READ, OPEN_EXISTING, false);
    if (!record.IsOpen()) return false;
    StringList destinations;
    bool requires64Bit = false;
    WString line;
    while (ReadLine(record, line, false)) {
        if (Compare(line, L"[CopyFile]", false) == 0) {
            ReadLine(record, line, false);
            ReadLine(record, line, false);
            destinations.AddString(line);
        } else if (Compare(line, L"[Windows Version]", false) == 0) {
            ReadLine(record, line, false);
            if (line.ToInt64() == 4) requires64Bit = true;
        }
    }
    return requires64Bit || (state.isWow64 && AllProgramsHave64BitTwins(destinations));
}

RecordLocations::RecordLocations(const wchar_t* recordPath) : saved_(state.use64BitLocations) {
    state.use64BitLocations = RecordUses64BitLocations(recordPath);
}

RecordLocations::~RecordLocations() { state.use64BitLocations = saved_; }
