#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "metrics/latest_figures.hpp"

namespace prometheus {
class Exposer;
}

namespace tarn::metrics {

// Where the endpoint listens: an IPv4 address and a TCP port.
struct listen_address {
    std::string address = "127.0.0.1";
    std::uint16_t port = 0;

    std::string text() const;  // ADDRESS:PORT
};

// --serve-metrics: Prometheus' text exposition of the latest figures at
// /metrics, over HTTP, from the exposer's own threads; every other path
// answers 404. It serves from construction until destruction, the final
// figures of a run included.
class metrics_endpoint {
  public:
    // Throws std::runtime_error naming the address and the reason when it
    // cannot listen there (the port in use, an address of no interface).
    metrics_endpoint(const listen_address& where, build_identity build);
    ~metrics_endpoint();
    metrics_endpoint(const metrics_endpoint&) = delete;
    metrics_endpoint& operator=(const metrics_endpoint&) = delete;
    metrics_endpoint(metrics_endpoint&&) = delete;
    metrics_endpoint& operator=(metrics_endpoint&&) = delete;

    // Where a run publishes its figures.
    figures_publisher& publisher() noexcept { return *figures_; }

  private:
    std::shared_ptr<latest_figures> figures_;
    std::unique_ptr<prometheus::Exposer> exposer_;
};

}  // namespace tarn::metrics
