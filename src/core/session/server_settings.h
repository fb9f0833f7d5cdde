// The server's settings as the client knows them: the copy last received
// (whole payload, header included), with the settings dialog's edits, and
// whether it arrived on the current connection. This file is the one place
// where either changes; every reader takes a copy.
#pragma once

#include "core/wire/wire.h"

// The server's answer to the settings request: the copy becomes `settings`
// and is available until forgotten.
void StoreServerSettings(const Cfg& settings);

// The settings dialog's edits: the copy becomes `settings`, available or not
// as before (a connection that ended while the dialog was open stays ended).
void StoreSettingsEdits(const Cfg& settings);

// The copy as last stored; zero before the first settings arrive. It
// survives disconnection.
Cfg ServerSettings();

// True once the settings have arrived on the current connection.
bool ServerSettingsAvailable();

// The connection ended, or a new one asks again: not available until the
// next answer is stored. The copy stays.
void ForgetServerSettings();
