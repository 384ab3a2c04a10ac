#include "core/app/ControlProtocol.h"

#include <charconv>

std::optional<std::string> ControlRequest::Value(const std::string& option) const {
    const auto found = options.find(option);
    if (found == options.end())
        return std::nullopt;
    return found->second;
}

namespace control {
namespace {

void PutLength(std::string& out, std::size_t length) {
    const auto n = static_cast<std::uint32_t>(length);
    out += static_cast<char>((n >> 24) & 0xFF);
    out += static_cast<char>((n >> 16) & 0xFF);
    out += static_cast<char>((n >> 8) & 0xFF);
    out += static_cast<char>(n & 0xFF);
}

void PutField(std::string& out, std::string_view field) {
    PutLength(out, field.size());
    out += field;
}

// Reads fields from a payload; every length is checked against what is left.
class FieldReader {
public:
    explicit FieldReader(std::string_view data) : m_data(data) {}

    std::optional<std::string> Next() {
        if (m_data.size() < 4)
            return std::nullopt;
        const auto byte = [this](std::size_t i) {
            return static_cast<std::uint32_t>(static_cast<unsigned char>(m_data[i]));
        };
        const std::uint32_t length = byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
        m_data.remove_prefix(4);
        if (length > m_data.size())
            return std::nullopt;
        std::string field(m_data.substr(0, length));
        m_data.remove_prefix(length);
        return field;
    }
    std::optional<std::size_t> NextCount() {
        const auto field = Next();
        if (!field)
            return std::nullopt;
        std::size_t value = 0;
        const auto [end, error] =
            std::from_chars(field->data(), field->data() + field->size(), value);
        if (error != std::errc() || end != field->data() + field->size() || value > m_data.size())
            return std::nullopt;
        return value;
    }
    bool AtEnd() const { return m_data.empty(); }

private:
    std::string_view m_data;
};

} // namespace

std::string EncodeRequest(const ControlRequest& request) {
    std::string out(kRequestMagic);
    PutField(out, request.command);
    PutField(out, std::to_string(request.operands.size()));
    for (const auto& operand : request.operands)
        PutField(out, operand);
    PutField(out, std::to_string(request.options.size()));
    for (const auto& [name, value] : request.options) {
        PutField(out, name);
        PutField(out, value);
    }
    return out;
}

std::optional<ControlRequest> DecodeRequest(std::string_view payload) {
    if (payload.substr(0, kRequestMagic.size()) != kRequestMagic)
        return std::nullopt;
    FieldReader reader(payload.substr(kRequestMagic.size()));
    ControlRequest request;
    auto command = reader.Next();
    if (!command || command->empty())
        return std::nullopt;
    request.command = std::move(*command);
    const auto operandCount = reader.NextCount();
    if (!operandCount)
        return std::nullopt;
    for (std::size_t i = 0; i < *operandCount; ++i) {
        auto operand = reader.Next();
        if (!operand)
            return std::nullopt;
        request.operands.push_back(std::move(*operand));
    }
    const auto optionCount = reader.NextCount();
    if (!optionCount)
        return std::nullopt;
    for (std::size_t i = 0; i < *optionCount; ++i) {
        auto name = reader.Next();
        auto value = reader.Next();
        if (!name || !value)
            return std::nullopt;
        request.options[std::move(*name)] = std::move(*value);
    }
    if (!reader.AtEnd())
        return std::nullopt;
    return request;
}

std::string EncodeReply(const ControlReply& reply) {
    std::string out(kReplyMagic);
    PutField(out, std::to_string(reply.exitCode));
    PutField(out, reply.out);
    PutField(out, reply.err);
    return out;
}

std::optional<ControlReply> DecodeReply(std::string_view payload) {
    if (payload.substr(0, kReplyMagic.size()) != kReplyMagic)
        return std::nullopt;
    FieldReader reader(payload.substr(kReplyMagic.size()));
    const auto code = reader.Next();
    auto out = reader.Next();
    auto err = reader.Next();
    if (!code || !out || !err || !reader.AtEnd())
        return std::nullopt;
    ControlReply reply;
    const auto [end, error] =
        std::from_chars(code->data(), code->data() + code->size(), reply.exitCode);
    if (error != std::errc() || end != code->data() + code->size() || reply.exitCode < 0 ||
        reply.exitCode > 255)
        return std::nullopt;
    reply.out = std::move(*out);
    reply.err = std::move(*err);
    return reply;
}

bool IsControlPayload(std::string_view payload) {
    return payload.substr(0, kFamily.size()) == kFamily;
}

std::string Frame(std::string_view payload) {
    std::string out;
    out.reserve(payload.size() + 4);
    PutLength(out, payload.size());
    out += payload;
    return out;
}

} // namespace control
