#pragma once

#include <string>

class CDataFolderLock;
struct CommandContext;
struct ParsedArguments;

// Takes the data folder's lock before a command writes the data file `path`, so that the cli
// never writes under a running program (whose next save would silently drop the change).
// The lock is taken when the file's folder is a data folder: it holds the program's lock
// file, it is the data folder the command works with (--data-dir or the default), or the
// file has one of the program's data file names. Anywhere else nothing is locked.
// Returns kExitOk to go on (holding the lock when one was due), kExitBusy when the program
// or another writer holds it, kExitUsage when the lock file cannot be used; in both refusals
// the reason is already on the error stream and nothing must be written.
int LockForWriting(const std::string& path, const ParsedArguments& arguments,
                   const CommandContext& context, CDataFolderLock& lock);
