#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

// What a command line produced: the options given (with their values) and the operands.
struct ParsedArguments {
    std::map<std::string, std::string> options; // "--data-dir" -> "DIR"; flags map to ""
    std::vector<std::string> operands;

    bool Has(const std::string& option) const { return options.count(option) != 0; }
    std::optional<std::string> Value(const std::string& option) const;
};

// A small GNU-style parser: long options "--name", "--name VALUE" or "--name=VALUE", an
// optional one-letter alias, "--" ends the options, and "-" alone is an operand.
class CArgumentParser {
public:
    void AddFlag(std::string name, char alias, std::string help);
    void AddOption(std::string name, std::string valueName, std::string help);
    // The same with a one-letter alias ("-o FILE" for "--output FILE").
    void AddOption(std::string name, char alias, std::string valueName, std::string help);
    void SetOperandCount(std::size_t minimum, std::size_t maximum);
    // Stops at the first operand instead of collecting them all, leaving the rest
    // untouched in `rest` (the tool's own options come before the command name).
    void StopAtFirstOperand(bool stop) { m_stopAtOperand = stop; }

    // False with a one-line `error` on an unknown option, a missing value or a wrong
    // number of operands.
    bool Parse(const std::vector<std::string>& arguments, ParsedArguments& parsed,
               std::string& error, std::vector<std::string>* rest = nullptr) const;

    // The option lines of a help text, aligned.
    std::string Help() const;

private:
    struct Spec {
        std::string name;
        char alias = 0;
        std::string valueName; // empty for a flag
        std::string help;
    };
    const Spec* Find(const std::string& name) const;
    const Spec* FindAlias(char alias) const;

    std::vector<Spec> m_specs;
    std::size_t m_minOperands = 0;
    std::size_t m_maxOperands = 0;
    bool m_stopAtOperand = false;
};
