#include "cli/ArgumentParser.h"

#include <algorithm>

std::optional<std::string> ParsedArguments::Value(const std::string& option) const {
    const auto it = options.find(option);
    if (it == options.end())
        return std::nullopt;
    return it->second;
}

void CArgumentParser::AddFlag(std::string name, char alias, std::string help) {
    m_specs.push_back({std::move(name), alias, {}, std::move(help)});
}

void CArgumentParser::AddOption(std::string name, std::string valueName, std::string help) {
    AddOption(std::move(name), 0, std::move(valueName), std::move(help));
}

void CArgumentParser::AddOption(std::string name, char alias, std::string valueName,
                                std::string help) {
    m_specs.push_back({std::move(name), alias, std::move(valueName), std::move(help)});
}

void CArgumentParser::SetOperandCount(std::size_t minimum, std::size_t maximum) {
    m_minOperands = minimum;
    m_maxOperands = maximum;
}

const CArgumentParser::Spec* CArgumentParser::Find(const std::string& name) const {
    for (const Spec& spec : m_specs)
        if (spec.name == name)
            return &spec;
    return nullptr;
}

const CArgumentParser::Spec* CArgumentParser::FindAlias(char alias) const {
    for (const Spec& spec : m_specs)
        if (alias != 0 && spec.alias == alias)
            return &spec;
    return nullptr;
}

bool CArgumentParser::Parse(const std::vector<std::string>& arguments, ParsedArguments& parsed,
                            std::string& error, std::vector<std::string>* rest) const {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool looksLikeOption = argument.size() > 1 && argument[0] == '-';
        if (optionsEnded || !looksLikeOption) {
            if (m_stopAtOperand && rest) {
                rest->assign(arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.end());
                return true;
            }
            parsed.operands.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const Spec* spec = nullptr;
        std::string inlineValue;
        bool hasInlineValue = false;
        if (argument.rfind("--", 0) == 0) {
            const auto equals = argument.find('=');
            spec = Find(argument.substr(0, equals));
            if (equals != std::string::npos) {
                inlineValue = argument.substr(equals + 1);
                hasInlineValue = true;
            }
        } else if (argument.size() == 2) {
            spec = FindAlias(argument[1]);
        }
        if (!spec) {
            error = "unknown option '" + argument + "'";
            return false;
        }
        if (spec->valueName.empty()) {
            if (hasInlineValue) {
                error = "option '" + spec->name + "' takes no value";
                return false;
            }
            parsed.options[spec->name];
            continue;
        }
        if (!hasInlineValue) {
            if (i + 1 >= arguments.size()) {
                error = "option '" + spec->name + "' needs a value (" + spec->valueName + ")";
                return false;
            }
            inlineValue = arguments[++i];
        }
        if (inlineValue.empty()) {
            error = "option '" + spec->name + "' needs a non-empty value";
            return false;
        }
        parsed.options[spec->name] = inlineValue;
    }
    if (rest)
        rest->clear();
    // Asking for help needs no operands.
    if (parsed.Has("--help"))
        return true;
    if (parsed.operands.size() < m_minOperands) {
        error = "missing argument";
        return false;
    }
    if (parsed.operands.size() > m_maxOperands) {
        error = "unexpected argument '" + parsed.operands[m_maxOperands] + "'";
        return false;
    }
    return true;
}

std::string CArgumentParser::Help() const {
    std::vector<std::pair<std::string, std::string>> lines;
    std::size_t width = 0;
    for (const Spec& spec : m_specs) {
        std::string left = spec.alias ? std::string("-") + spec.alias + ", " : "    ";
        left += spec.name;
        if (!spec.valueName.empty())
            left += " " + spec.valueName;
        width = std::max(width, left.size());
        lines.emplace_back(std::move(left), spec.help);
    }
    std::string text;
    for (const auto& [left, help] : lines)
        text += "  " + left + std::string(width - left.size() + 2, ' ') + help + "\n";
    return text;
}
