// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace corvalin::test {

// A Prometheus text page as a scraper reads it: each series (name, then its
// labels sorted and unescaped) with its value text, and each family's type.
struct ParsedPage {
    std::map<std::string, std::string> samples;
    std::map<std::string, std::string> types;
};

// Fails the test on a line out of the text format 0.0.4, a family without
// HELP and TYPE before its samples, a family split up, or a series repeated.
inline ParsedPage ParsePage(const std::string& text) {
    static const std::regex help(R"(# HELP ([a-zA-Z_:][a-zA-Z0-9_:]*) \S.*)");
    static const std::regex type(R"(# TYPE ([a-zA-Z_:][a-zA-Z0-9_:]*) (gauge|counter))");
    static const std::regex sample(R"(([a-zA-Z_:][a-zA-Z0-9_:]*)\{(.*)\} (\S+))");
    static const std::regex label(
        R"re(([a-zA-Z_][a-zA-Z0-9_]*)="((?:[^"\\\n]|\\[\\"n])*)"(,|$))re");
    static const std::regex number(R"([-+]?([0-9]+(\.[0-9]*)?([eE][-+]?[0-9]+)?|Inf)|NaN)");
    ParsedPage page;
    std::set<std::string> helped, done;
    std::string family;
    EXPECT_TRUE(!text.empty() && text.back() == '\n');
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (std::regex_match(line, match, help)) {
            EXPECT_TRUE(done.insert(match[1]).second) << "family again: " << line;
            family = match[1];
            helped.insert(family);
        } else if (std::regex_match(line, match, type)) {
            EXPECT_EQ(match[1], family) << "TYPE without its HELP: " << line;
            page.types[match[1]] = match[2];
        } else if (std::regex_match(line, match, sample)) {
            EXPECT_EQ(match[1], family) << "sample outside its family: " << line;
            EXPECT_TRUE(page.types.count(family)) << "sample before TYPE: " << line;
            EXPECT_TRUE(std::regex_match(match[3].str(), number)) << line;
            std::map<std::string, std::string> labels;
            std::string rest = match[2];
            std::smatch pair;
            while (!rest.empty() &&
                   std::regex_search(rest, pair, label, std::regex_constants::match_continuous)) {
                std::string value;
                const std::string escaped = pair[2];
                for (size_t i = 0; i < escaped.size(); ++i) {
                    if (escaped[i] == '\\') {
                        ++i;
                        value += escaped[i] == 'n' ? '\n' : escaped[i];
                    } else {
                        value += escaped[i];
                    }
                }
                labels[pair[1]] = value;
                rest = pair.suffix();
            }
            EXPECT_TRUE(rest.empty()) << "labels: " << line;
            std::string series = match[1].str() + "{";
            for (const auto& [key, value] : labels) {
                series += (series.back() == '{' ? "" : ",") + key + "=" + value;
            }
            EXPECT_TRUE(page.samples.emplace(series + "}", match[3]).second) << "again: " << line;
        } else {
            ADD_FAILURE() << "not a line of the text format: " << line;
        }
    }
    return page;
}

}  // namespace corvalin::test
