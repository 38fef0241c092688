#pragma once

#include <boost/program_options/variables_map.hpp>

#include <memory>

#include "processing/md_processors.hpp"

namespace tarn {

// The processor the options call for: sequence checking wins over everything,
// then full or header display, each with or without heartbeats. It shows the
// message lines that `filter` shows.
std::unique_ptr<md::processor> choose_processor(
    const boost::program_options::variables_map& options, md::message_filter filter = {});

// Applies the `every` option: 0 is ignored, 1 to 9 are refused, 10 and above
// become the progress interval.
void apply_every(const boost::program_options::variables_map& options, md::processor& processor);

}  // namespace tarn
