#pragma once

#include <cstdint>
#include <string>

class CArchiveReader;
class CArchiveWriter;

// A project: its name (the key periods refer to it by), its hourly rate and an optional
// document or program opened at check-in.
class CTask {
public:
    static constexpr const char* kClassName = "CTask";
    static constexpr std::uint16_t kSchema = 2;

    CTask() = default;
    explicit CTask(std::string name) : m_strName(std::move(name)) {}

    const std::string& GetName() const { return m_strName; }
    void SetName(std::string name) { m_strName = std::move(name); }

    std::uint32_t GetDollars() const { return m_dwDollars; }
    std::uint8_t GetCents() const { return m_byCents; }
    void SetRate(std::uint32_t dollars, std::uint8_t cents) {
        m_dwDollars = dollars;
        m_byCents = cents;
    }

    const std::string& GetFile() const { return m_strFile; }
    void SetFile(std::string path) { m_strFile = std::move(path); }

    bool IsFileUsed() const { return m_bUseFile != 0; }
    std::int32_t GetUseFileFlag() const { return m_bUseFile; }
    void SetFileUsed(std::int32_t flag) { m_bUseFile = flag; }

    std::uint32_t GetReserved() const { return m_dwReserved; }
    void SetReserved(std::uint32_t value) { m_dwReserved = value; }

    // Writes the schema-2 fields; reads the fields of the given schema (1 or 2).
    void Serialize(CArchiveWriter& ar) const;
    bool Serialize(CArchiveReader& ar, std::uint16_t schema);

private:
    std::string m_strFile;
    std::int32_t m_bUseFile = 0;
    std::uint8_t m_byCents = 0;
    std::uint32_t m_dwDollars = 0;
    std::string m_strName;
    std::uint32_t m_dwReserved = 0;
};
