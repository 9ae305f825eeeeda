// A list sink that keeps its rows in a vector, in the order they were added.
#pragma once

#include "catalogue/uninstall_list.h"

#include <algorithm>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace karnio::test {

struct Row {
    std::string key, text, command;
    UninstallSource source = UninstallSource::Machine;
    bool operator==(const Row& other) const
    {
        return std::tie(key, text, command, source) == std::tie(other.key, other.text, other.command, other.source);
    }
    bool operator<(const Row& other) const
    {
        return std::tie(source, key, text, command) < std::tie(other.source, other.key, other.text, other.command);
    }
};

inline std::ostream& operator<<(std::ostream& out, const Row& row)
{
    static const char* const kSources[] = {"", "32: ", "user: "};
    return out << '{' << kSources[static_cast<int>(row.source)] << row.key << " | " << row.text << " | "
               << row.command << '}';
}

class VectorSink final : public ListSink {
public:
    std::vector<Row> rows;
    int clears = 0;

    void RemoveAll() override
    {
        rows.clear();
        ++clears;
    }
    std::size_t AddRow(UninstallSource source, const std::string& key, const std::string& text) override
    {
        rows.push_back({key, text, "", source});
        return rows.size() - 1;
    }
    void SetSubItem1(std::size_t row, const std::string& text) override { rows.at(row).command = text; }

    std::vector<Row> Sorted() const
    {
        std::vector<Row> copy = rows;
        std::sort(copy.begin(), copy.end());
        return copy;
    }
};

}  // namespace karnio::test
