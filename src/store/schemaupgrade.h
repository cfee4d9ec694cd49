#pragma once

class LogStore;

// Brings a log database written by an earlier version to the current schema. Every step
// checks by itself whether it is needed, so on an up-to-date database it changes nothing
// and shows nothing. Runs at every start and from the hidden "UpdateBD" button.
void SchemaUpgrade(LogStore& store);
