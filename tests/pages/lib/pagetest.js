// A tiny test harness for interface pages run by the real program in /silent
// mode. A page lists its checks; when it is done it ends the run with
// command 5: reason "finished_successfully" when every check held (exit code
// 0), else "FAILED" and the failed checks (exit code 2; the reason is in the
// log).
var PageTest = (function () {
    var failures = [];
    var listeners = {};
    var finished = false;

    function execute(id, params) {
        var request = { id: id };
        if (params !== undefined) request.params = params;
        return InstallerJSCBObj.execute(JSON.stringify(request));
    }
    // The answer parsed as JSON when it is a non-empty text.
    function call(id, params) {
        var answer = execute(id, params);
        if (typeof answer === "string" && answer.length) {
            try { return JSON.parse(answer); } catch (e) { return answer; }
        }
        return answer;
    }
    function show(v) {
        try { return JSON.stringify(v); } catch (e) { return String(v); }
    }
    function check(name, ok, detail) {
        if (!ok) failures.push(name + (detail ? " (" + detail + ")" : ""));
    }
    function equal(name, actual, expected) {
        check(name, show(actual) === show(expected), "got " + show(actual) + ", expected " + show(expected));
    }
    // fn(params) runs when a worker result with this callback id arrives;
    // returning true keeps the listener for later results.
    function listen(id, fn) { listeners[id] = fn; }
    // Stops waiting for results with this callback id.
    function unlisten(id) { delete listeners[id]; }
    function dispatch(text) {
        var message;
        try { message = JSON.parse(text); } catch (e) { failures.push("callback text is not JSON: " + text); return; }
        var fn = listeners[message.listenerId];
        if (!fn) { failures.push("unexpected callback " + text); return; }
        var keep = false;
        try { keep = fn(message.params); } catch (e) { failures.push("callback " + message.listenerId + " threw " + e.message); }
        if (!keep) delete listeners[message.listenerId];
    }
    function finish() {
        if (finished) return;
        finished = true;
        var reason = failures.length ? "FAILED: " + failures.join(" | ") : "finished_successfully";
        execute(5, { fade: false, reason: reason });
    }
    // Finishes once no listener is left.
    function finishWhenIdle() {
        for (var k in listeners) if (listeners.hasOwnProperty(k)) return;
        finish();
    }
    return { execute: execute, call: call, check: check, equal: equal, listen: listen, unlisten: unlisten,
             dispatch: dispatch, finish: finish, finishWhenIdle: finishWhenIdle, failures: failures };
})();

function __GLOBAL_INSTALLER_CPP_CB_FUNCTION__(text) {
    PageTest.dispatch(text);
    PageTest.finishWhenIdle();
}
