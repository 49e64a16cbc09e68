#include "data/process.h"

process& processes::Add(const QString& processName, const QString& sKey) {
    auto record = std::make_unique<process>();
    record->processName = processName;
    return append(std::move(record), sKey);
}
