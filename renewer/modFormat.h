#pragma once

#include <QString>

namespace renewer {

// A duration in seconds as the incomplete-download question shows it: "59 sec",
// "1 min 1 sec", "1 hr 2 min".
QString formatTime(double seconds);
// A transfer rate for lblRate ("12.3 KB/sec").
QString rateText(double bytesPerSecond);

} // namespace renewer
