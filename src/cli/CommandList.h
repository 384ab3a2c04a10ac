#pragma once

// Every command of the tool, in the order the help lists them. Each line X(Name) stands
// for a factory `std::unique_ptr<CCommand> MakeNameCommand()` defined in NameCommand.cpp.
#define PUNCHWELL_CLI_COMMANDS(X)                                                                  \
    X(Status)                                                                                      \
    X(In)                                                                                          \
    X(Out)                                                                                         \
    X(Switch)                                                                                      \
    X(Toggle)                                                                                      \
    X(Projects)                                                                                    \
    X(Add)                                                                                         \
    X(Check)                                                                                       \
    X(Dump)                                                                                        \
    X(Edit)                                                                                        \
    X(Export)                                                                                      \
    X(Merge)                                                                                       \
    X(Report)                                                                                      \
    X(Totals)
