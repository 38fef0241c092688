#include "metrics/metrics_endpoint.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <CivetServer.h>
#include <civetweb.h>
#include <prometheus/exposer.h>
#include <spdlog/common.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace tarn::metrics {

namespace {

constexpr std::string_view metrics_path = "/metrics";
// Enough for a few scrapes at once; a scrape takes well under a millisecond.
constexpr std::size_t serving_threads = 2;

// Before the exposer's handlers: the exposer answers its path and every path
// below it (/metrics/x, and /metricsx too); only /metrics itself is served.
int refuse_other_paths(mg_connection* connection) {
    const mg_request_info* request = mg_get_request_info(connection);
    if (request != nullptr && request->local_uri != nullptr &&
        std::string_view(request->local_uri) == metrics_path) {
        return 0;  // the exposer's
    }
    mg_send_http_error(connection, 404, "%s", "Not Found");
    return 1;
}

// Why binding a TCP socket to `where` fails: the system's reason, or an
// empty text where it does not (the exposer failed for another reason).
std::string bind_failure(const listen_address& where) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(where.port);
    if (inet_pton(AF_INET, where.address.c_str(), &address.sin_addr) != 1) {
        return "not an IPv4 address";
    }
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        return std::strerror(errno);  // NOLINT(concurrency-mt-unsafe): before any thread
    }
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    std::string reason;
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the socket interface's
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        reason = std::strerror(errno);  // NOLINT(concurrency-mt-unsafe): before any thread
    }
    close(fd);
    return reason;
}

}  // namespace

std::string listen_address::text() const { return spdlog::fmt_lib::format("{}:{}", address, port); }

metrics_endpoint::metrics_endpoint(const listen_address& where, build_identity build)
    : figures_(std::make_shared<latest_figures>(std::move(build))) {
    CivetCallbacks callbacks;
    callbacks.begin_request = refuse_other_paths;
    try {
        exposer_ = std::make_unique<prometheus::Exposer>(where.text(), serving_threads, &callbacks);
    } catch (const std::exception&) {
        const std::string reason = bind_failure(where);
        throw std::runtime_error(spdlog::fmt_lib::format("--serve-metrics cannot listen on {}{}{}",
                                                         where.text(), reason.empty() ? "" : ": ",
                                                         reason));
    }
    exposer_->RegisterCollectable(figures_, std::string(metrics_path));
}

metrics_endpoint::~metrics_endpoint() = default;

}  // namespace tarn::metrics
