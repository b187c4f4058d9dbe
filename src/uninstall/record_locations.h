// Which folders an install used. "<Program Files>" in an uninstall record
// means the native or the 32-bit program folder, as the install decided; the
// record does not say which, but it is a copy of the script the decision
// was made from.
#pragma once

// The wizard's rule: "[Windows Version]" 4, or on 64-bit Windows every
// ".exe" and ".dll" destination having its "__BKI_WIN64" twin (or there
// being none). False when the record cannot be read.
bool RecordUses64BitLocations(const wchar_t* recordPath);

// Sets use64BitLocations for one record and restores the earlier value
// when it goes out of scope.
class RecordLocations {
public:
    explicit RecordLocations(const wchar_t* recordPath);
    ~RecordLocations();
    RecordLocations(const RecordLocations&) = delete;
    RecordLocations& operator=(const RecordLocations&) = delete;

private:
    bool saved_;
};
