// The script object as page script sees it. Every finding goes back to the
// test through command 90 (name, value).
order.push("file");

function report(name, value) {
    InstallerJSCBObj.execute(JSON.stringify({ id: 90, params: { name: name, value: String(value) } }));
}

// What a call does: its result's type, or "threw".
function outcome(call) {
    try {
        var answer = call();
        return answer === null ? "null" : typeof answer;
    } catch (e) {
        return "threw";
    }
}

function installerMain(argument) {
    report("order", order.join(","));
    report("argument", typeof argument + ":" + argument);
    report("typeofObject", typeof InstallerJSCBObj);
    report("numberArgument", outcome(function () { return InstallerJSCBObj.execute(5); }));
    report("noArgument", outcome(function () { return InstallerJSCBObj.execute(); }));
    report("twoArguments", outcome(function () { return InstallerJSCBObj.execute("{}", "{}"); }));
    report("unknownMethod", outcome(function () { return InstallerJSCBObj.foo('{"id":1}'); }));
    report("text", outcome(function () { return InstallerJSCBObj.execute('{"id":1}'); }));
    report("textValue", InstallerJSCBObj.execute('{"id":1}'));
    report("boolean", outcome(function () { return InstallerJSCBObj.execute('{"id":2}'); }));
    report("booleanValue", InstallerJSCBObj.execute('{"id":2}') === true);
    report("number", outcome(function () { return InstallerJSCBObj.execute('{"id":3}'); }));
    report("numberValue", InstallerJSCBObj.execute('{"id":3}') + 1);
    report("null", outcome(function () { return InstallerJSCBObj.execute("not json"); }));
    report("undefined", outcome(function () { return InstallerJSCBObj.execute('{"id":77}'); }));
    report("json", typeof JSON);
    report("done", "yes");
}
