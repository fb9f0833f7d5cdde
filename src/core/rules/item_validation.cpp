#include "core/rules/item_validation.h"

#include <cstring>

namespace {

void CopyText(char (&field)[NAME_FIELD], const char* text) {
    // At most 79 characters and a NUL, like the 79-character edit limit.
    std::strncpy(field, text != nullptr ? text : "", NAME_FIELD - 1);
    field[NAME_FIELD - 1] = '\0';
}

}  // namespace

const char* ValidateItemFields(const ItemFields& f, TestItemConfig* config) {
    std::memset(config, 0, sizeof *config);
    CopyText(config->name, f.name);
    CopyText(config->host, f.host);

    if (f.port > 65535)
        return "(*) Please set port value 1 to 65535";
    config->port = static_cast<uint16_t>(f.port);
    if (f.interval > 65535)
        return "(*) Please set Interval value 1 to 65535";
    config->interval = f.interval;
    config->timeout = f.timeout & 0xFFFFu;
    // Without a selection the index is -1 and is stored as 0xFFFFFFFF.
    config->testType = static_cast<uint32_t>(f.testTypeSelection);
    config->retries = f.retries;

    if (config->name[0] == '\0')
        return "(*) Please set non empty item name";
    if (config->host[0] == '\0')
        return "(*) Please set non empty hostname or IP address";
    if (config->testType == TEST_TCP && config->port == 0)
        return "(*) Please set non zero Port number";
    if (config->interval == 0)
        return "(*) Please set non zero Interval";
    if (config->timeout == 0)
        return "(*) Please set non zero Timeout";
    if (config->retries == 0)
        return "(*) Please set non zero Number of retries";

    config->mailOnDown = f.mailOnDown ? 1 : 0;
    config->mailOnUp = f.mailOnUp ? 1 : 0;
    return nullptr;
}
