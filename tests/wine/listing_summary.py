"""VexloHost's JSON listing, read from standard input with Python's own json
module, as lines "field=value; value; ..." with each list sorted, for the
Wine tests to compare."""
import json
import sys

listing = json.loads(sys.stdin.buffer.read().decode("utf-8"))


def show(field, items):
    sys.stdout.buffer.write((field + "=" + "; ".join(sorted(items)) + "\n").encode("utf-8"))


show("attached", [json.dumps(listing["attached"])])
show("deviceEntries", listing["deviceEntries"])
show("spooler", [listing["spooler"]])
show("queues", ["%s|%s|%s" % (q["name"], q["driver"], q["environment"]) for q in listing["queues"]])
show("monitors", listing["monitors"])
show("drivers", ["%s|%s" % (d["name"], d["environment"]) for d in listing["drivers"]])
show("complete", [json.dumps(listing["complete"])])
show("unread", [u["list"] for u in listing["unread"]])
show("reasons", [u["reason"] for u in listing["unread"]])
show("packages", ["%s|%s|%s" % (p["file"], p["class"], p["driverVer"]) for p in listing["packages"]])
