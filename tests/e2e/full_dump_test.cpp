// filled in by its own commit
