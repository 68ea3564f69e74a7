// Hands every callback the program delivers back to the test: the text as
// received and the object parsed from it (command 91).
function __GLOBAL_INSTALLER_CPP_CB_FUNCTION__(text) {
    var message = JSON.parse(text);
    InstallerJSCBObj.execute(JSON.stringify({
        id: 91,
        params: { text: text, listenerId: message.listenerId, params: message.params }
    }));
}

function installerMain() {
    InstallerJSCBObj.execute('{"id":90,"params":{"name":"started","value":"yes"}}');
}
