// filled in with the full-dump session
