#pragma once

// What the device layer's error codes mean, in the operator's words and language. A bare number tells the
// operator nothing; every place that shows a recorder's failure says it through these, so a code reads the
// same in a box, an event row, the log and a report mail.

#include <QString>

#include <cstdint>

// The meaning of a code as a short phrase, for example "the recorder cannot be reached".
QString DeviceErrorMeaning(uint32_t code);

// The code followed by its meaning, as it goes after "Error:" in an event text: "7 (the recorder cannot be
// reached)".
QString DeviceErrorCodeText(uint32_t code);

// Why a log in failed, as a sentence for the line under "Log in failed": the user or the password was wrong,
// the recorder could not be reached, it did not answer, or it refused for another reason (then with the code
// and its meaning).
QString LoginFailureReason(uint32_t code);
