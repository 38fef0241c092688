// --serve-metrics end to end: a real Prometheus server scrapes md_dump while
// md_replay sends a session with gaps, resends, unknown and short messages,
// and a burst of scrapes runs beside it; the endpoint's other paths and a
// port in use.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "dump_session.hpp"

namespace tarn {
namespace {

using namespace std::chrono_literals;
using testing::eventually;
using testing::run_process;

const std::string prometheus = "/usr/bin/prometheus";
const std::string metrics_port = "19100";
const std::string metrics_url = "http://127.0.0.1:" + metrics_port;
const std::string server_url = "http://127.0.0.1:19190";

std::string probe(const std::vector<std::string>& args) {
    std::vector<std::string> argv{PYTHON3, HTTP_PROBE_SCRIPT};
    argv.insert(argv.end(), args.begin(), args.end());
    const testing::process_result result = run_process(argv);
    EXPECT_EQ(result.err, "");
    return result.out.substr(0, result.out.find_last_not_of('\n') + 1);
}

// The number a pattern's first group matches in `text`, or -1.
long long number_in(const std::string& text, const std::string& pattern) {
    std::smatch match;
    return std::regex_search(text, match, std::regex(pattern)) ? std::stoll(match[1]) : -1;
}

long long count_of(const std::string& text, const std::string& event) {
    const std::regex record("\"event\":\"" + event + "\"");
    return std::distance(std::sregex_iterator(text.begin(), text.end(), record),
                         std::sregex_iterator());
}

// The session lacks its last datagram, which ends it: md_dump keeps
// publishing the final figures until it is stopped.
TEST(Metrics, PrometheusScrapesWhatTheSummarySays) {
    if (!std::filesystem::exists(prometheus)) {
        GTEST_SKIP() << "Debian's prometheus package is not installed";
    }
    const std::string folder = testing::temporary_file("metrics");
    std::filesystem::create_directories(folder);
    const std::string whole = folder + "/whole.pcap", session = folder + "/session.pcap";
    const testing::process_result synth = run_process(
        {MD_SYNTH_BINARY, "--output", whole, "--messages", "3000", "--seed", "7", "--gaps", "3",
         "--resends", "2", "--unknown-types", "2", "--short-messages", "2"});
    ASSERT_EQ(synth.status, 0) << synth.err;
    const long long datagrams = number_in(synth.out, R"((\d+) datagrams)") - 1;
    const long long skipped = number_in(synth.out, R"(\((\d+) sequence numbers skipped\))");
    ASSERT_EQ(run_process(
                  {"/usr/bin/tcpdump", "-r", whole, "-w", session, "-c", std::to_string(datagrams)})
                  .status,
              0);
    std::ofstream(folder + "/prometheus.yml")
        << "global: {scrape_interval: 100ms, scrape_timeout: 100ms}\n"
           "scrape_configs:\n"
           "  - job_name: md_dump\n"
           "    static_configs: [{targets: ['127.0.0.1:" +
               metrics_port + "']}]\n";
    testing::background_process server({prometheus, "--config.file=" + folder + "/prometheus.yml",
                                        "--storage.tsdb.path=" + folder + "/data",
                                        "--web.listen-address=127.0.0.1:19190",
                                        "--log.level=error"});
    testing::dump_session dump({"--json", "--full-dump", "--serve-metrics", metrics_port});

    const testing::process_result in_use =
        run_process({MD_DUMP_BINARY, "--read-capture", session, "--serve-metrics", metrics_port});
    EXPECT_EQ(in_use.status, 1);
    EXPECT_EQ(in_use.err, "--serve-metrics cannot listen on 127.0.0.1:" + metrics_port +
                              ": Address already in use\n");
    for (const char* path : {"/metrics/x", "/metricsx", "/", "/other"}) {
        EXPECT_EQ(probe({"status", metrics_url + path}), "404") << path;
    }

    testing::background_process burst(
        {PYTHON3, HTTP_PROBE_SCRIPT, "burst", "400", "8", metrics_url + "/metrics"});
    const testing::process_result replay = run_process(
        {MD_REPLAY_BINARY, "--capture", session, "--multicast-group", testing::test_group, "--port",
         std::to_string(testing::test_port), "--local-ip", "127.0.0.1", "--speed", "4"});
    ASSERT_EQ(replay.status, 0) << replay.err;
    EXPECT_EQ(burst.wait(20s).out, "400\n");
    const auto scraped = [&](const std::string& family) {
        return probe({"query", server_url, "sum(" + family + ")"});
    };
    ASSERT_TRUE(eventually([&] {
        return scraped("md_dump_datagrams_total") == std::to_string(datagrams);
    })) << scraped("md_dump_datagrams_total");
    // Queried while md_dump runs: a stopped target's series go stale.
    const char* const families[] = {"messages_total",       "latency_seconds_count",
                                    "messages_lost_total",  "gaps_total",
                                    "resends_total",        "unknown_messages_total",
                                    "short_messages_total", "socket_drops_total",
                                    "datagrams_cut_total",  "build_info"};
    std::vector<std::string> values;
    for (const char* family : families) {
        values.push_back(scraped(std::string("md_dump_") + family));
    }
    dump.process().signal(SIGTERM);
    dump.finish();
    const std::string log = testing::read_file(dump.log_path());

    // The summary's figures, and the records of each anomaly.
    const std::string summary = log.substr(log.rfind("\"event\":\"summary\""));
    const long long received = number_in(summary, R"("received":(\d+))");
    EXPECT_EQ(number_in(summary, R"("lost":(\d+))"), skipped) << "a scrape disturbed reception";
    EXPECT_EQ(number_in(summary, R"("socket_drops":(\d+))"), 0);
    const long long expected[] = {received,
                                  received,
                                  skipped,
                                  count_of(log, "gap"),
                                  count_of(log, "resend"),
                                  count_of(log, "unknown_message"),
                                  count_of(log, "short_message"),
                                  0,
                                  0,
                                  1};
    for (std::size_t i = 0; i < std::size(families); ++i) {
        EXPECT_EQ(values[i], std::to_string(expected[i])) << families[i];
    }

    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tarn
