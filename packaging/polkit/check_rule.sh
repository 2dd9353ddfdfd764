#!/usr/bin/env bash
# Runs the power-off rule as polkitd does: with Duktape, polkitd's own interpreter (an
# ECMAScript 5 engine: a rule using later syntax fails here), or with node where Duktape
# is missing, and checks its answer for each action, group and kind of session.
# Usage: check_rule.sh [RULE]   (exit 77 when neither interpreter can run)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
rule=${1:-$here/50-qelt.rules}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The parts of polkitd's own environment a rule sees: polkit.addRule, polkit.Result and
# a subject whose attributes are set as polkitd sets them (no session: none given).
{
    cat <<'JS'
var polkit = {_rules: [], Result: {NO: "no", YES: "yes", AUTH_SELF: "auth_self",
    AUTH_SELF_KEEP: "auth_self_keep", AUTH_ADMIN: "auth_admin",
    AUTH_ADMIN_KEEP: "auth_admin_keep", NOT_HANDLED: null}};
polkit.addRule = function(callback) { this._rules.push(callback); };
function Subject(groups, session, local, active) {
    this.user = "school"; this.groups = groups; this.local = local; this.active = active;
    if (session) { this.session = session; }
    this.isInGroup = function(group) {
        for (var n = 0; n < this.groups.length; n++) {
            if (this.groups[n] == group) { return true; }
        }
        return false;
    };
}
JS
    cat "$rule"
    cat <<'JS'

var places = {"local-active": ["c1", true, true], "no-session": ["", false, false],
    "ssh": ["5", false, true], "local-background": ["c2", true, false]};
var lines = [];
var actions = ["power-off", "power-off-multiple-sessions", "power-off-ignore-inhibit",
    "reboot", "suspend"];
for (var a = 0; a < actions.length; a++) {
    var groups = ["qelt", "users"];
    for (var g = 0; g < groups.length; g++) {
        for (var place in places) {
            var p = places[place];
            var subject = new Subject([groups[g]], p[0], p[1], p[2]);
            var result = null;
            for (var r = 0; r < polkit._rules.length && !result; r++) {
                result = polkit._rules[r]({id: "org.freedesktop.login1." + actions[a]}, subject);
            }
            if (result) { lines.push(actions[a] + " " + groups[g] + " " + place + " " + result); }
        }
    }
}
lines.join("\n");
JS
} > "$work/run.js"

status=0
if cc -o "$work/duk_eval" "$here/duk_eval.c" -ldl 2>/dev/null &&
    "$work/duk_eval" "$work/run.js" > "$work/out" 2>&1; then
    interpreter=duktape
elif status=$? && [ "$status" -ne 77 ] && [ -x "$work/duk_eval" ]; then
    echo "check_rule: the rule fails in Duktape:" >&2
    cat "$work/out" >&2
    exit 1
elif command -v node >/dev/null; then
    interpreter=node
    node -e 'const fs = require("fs");
        console.log(eval(fs.readFileSync(process.argv[1], "utf8")));' "$work/run.js" > "$work/out"
else
    echo "check_rule: neither Duktape nor node can run here" >&2
    exit 77
fi

expected="power-off qelt local-active yes
power-off qelt no-session yes
power-off-multiple-sessions qelt local-active yes
power-off-multiple-sessions qelt no-session yes"
if [ "$(cat "$work/out")" != "$expected" ]; then
    echo "check_rule ($interpreter): expected" >&2
    echo "$expected" >&2
    echo "but the rule answered" >&2
    cat "$work/out" >&2
    exit 1
fi
echo "check_rule: the rule answers as expected ($interpreter)"
