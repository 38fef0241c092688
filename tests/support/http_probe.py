#!/usr/bin/env python3
"""HTTP from the tests, with nothing but Python's own library.

http_probe.py status URL           the status code of a GET
http_probe.py query BASE EXPR      the value of a Prometheus instant query, or "none"
http_probe.py burst N THREADS URL  N GETs from THREADS threads at once; prints the
                                   count of bodies that hold md_dump_messages_total
"""
import concurrent.futures
import json
import sys
import urllib.error
import urllib.parse
import urllib.request

TIMEOUT = 5


def get(url):
    try:
        with urllib.request.urlopen(url, timeout=TIMEOUT) as response:
            return response.status, response.read().decode()
    except urllib.error.HTTPError as error:
        return error.code, ""


def main(command, *args):
    if command == "status":
        print(get(args[0])[0])
    elif command == "query":
        url = args[0] + "/api/v1/query?" + urllib.parse.urlencode({"query": args[1]})
        result = json.loads(get(url)[1])["data"]["result"]
        print(result[0]["value"][1] if result else "none")
    elif command == "burst":
        count, threads, url = int(args[0]), int(args[1]), args[2]
        with concurrent.futures.ThreadPoolExecutor(threads) as pool:
            bodies = list(pool.map(lambda _: get(url), range(count)))
        print(sum(status == 200 and "md_dump_messages_total" in body for status, body in bodies))
    else:
        sys.exit(f"unknown command {command}")


if __name__ == "__main__":
    main(*sys.argv[1:])
