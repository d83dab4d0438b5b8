// The share screen, over the editor: pick a service, write a caption, fill in
// the account (remembered only when the user asks, in the system keyring or a
// file only the user can read: http.accounts), send the current picture and
// read the answer.
//
// Uses the published objects "http" (the upload controller) and "oauth" (the
// OAuth signer). Open it with the picture's path:
//     stack.push(Qt.resolvedUrl("SharePage.qml"), { picture: currentFile })
// and close it on its closeRequested() signal.
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import Qt.labs.settings

Page {
    id: sharePage
    objectName: "sharePage"

    // The picture to send: a local path or a file: URL.
    property string picture: ""

    // 0: microblog, 1: social network.
    property alias service: serviceBar.currentIndex
    property alias caption: captionField.text
    property bool busy: false
    property bool failed: false
    // Fraction of the picture sent, or -1 while the size is unknown.
    property real sentFraction: -1
    property bool succeeded: false
    // An upload this page started has not delivered its answer yet (after an
    // error the answer still follows).
    property bool awaitingAnswer: false
    // What the user reads after an upload (or why it did not start).
    property string message: ""
    // The service's answer in words, and as it came (one tap away).
    property string answerText: ""
    property string rawAnswer: ""
    property bool showRawAnswer: false
    // An account is stored for each service (the keyring or the user's file).
    property var stored: ({ microblog: false, social: false })
    // What became of the remembered account, in words.
    property string accountNote: ""

    readonly property bool haveControllers: typeof http !== "undefined" && http !== null
                                            && typeof oauth !== "undefined" && oauth !== null
    readonly property var accounts: haveControllers ? http.accounts : null
    readonly property string accountKey: service === 0 ? "microblog" : "social"

    // The page's own colours, dark whatever the style: every text on the page
    // background keeps a contrast of at least 7:1 (tests check 4.5:1).
    readonly property color backgroundColour: "#1e1e1e"
    readonly property color textColour: "#ececec"
    readonly property color quietTextColour: "#b8b8b8"
    readonly property color errorColour: "#ff8a80"
    readonly property color successColour: "#a5d6a7"

    signal closeRequested()

    title: qsTr("Share")
    // Fixed, so the page's size never waits on its scrolled content.
    implicitWidth: 480
    implicitHeight: 854

    Material.theme: Material.Dark
    Material.background: backgroundColour
    Material.foreground: textColour
    palette.window: backgroundColour
    palette.windowText: textColour
    palette.base: "#2c2c2c"
    palette.text: textColour
    palette.button: "#3a3a3a"
    palette.buttonText: textColour
    background: Rectangle { color: sharePage.backgroundColour }

    // Only which service was used last; nothing about the account.
    Settings {
        id: choice
        category: "sharing"
        property int service: 0
    }

    // --- pure helpers (also used by the tests) ------------------------------

    // sent / total, or -1 when the total is unknown (the closing (0, 0)
    // report among others): never a division by zero.
    function progressFraction(sent, total) {
        var s = Number(sent), t = Number(total)
        if (!(t > 0) || !(s >= 0))
            return -1
        return Math.min(1, s / t)
    }

    // The answer body arrives as bytes (an ArrayBuffer); read it as UTF-8,
    // keeping any byte that is not valid UTF-8 as the replacement character.
    function bytesToText(body) {
        if (body === undefined || body === null)
            return ""
        if (typeof body === "string")
            return body
        if (!(body instanceof ArrayBuffer))
            return "" // an empty answer may come as a bare empty value
        var bytes = new Uint8Array(body)
        var out = ""
        var i = 0
        while (i < bytes.length) {
            var b = bytes[i]
            var need = b < 0x80 ? 0 : (b >= 0xc2 && b < 0xe0) ? 1 : (b >= 0xe0 && b < 0xf0) ? 2
                     : (b >= 0xf0 && b < 0xf5) ? 3 : -1
            if (need < 0 || i + need >= bytes.length) {
                out += "\ufffd"
                i += 1
                continue
            }
            var code = need === 0 ? b : need === 1 ? b & 0x1f : need === 2 ? b & 0x0f : b & 0x07
            var ok = true
            for (var k = 1; k <= need; ++k) {
                var c = bytes[i + k]
                if ((c & 0xc0) !== 0x80) { ok = false; break }
                code = (code << 6) | (c & 0x3f)
            }
            if (!ok || (need === 2 && code < 0x800) || (need === 3 && (code < 0x10000 || code > 0x10ffff))
                    || (code >= 0xd800 && code <= 0xdfff)) {
                out += "\ufffd"
                i += 1
                continue
            }
            out += String.fromCodePoint(code)
            i += need + 1
        }
        return out
    }

    // Text as its UTF-8 bytes, one character per byte (how the microblog
    // upload sends its status text).
    function utf8Bytes(text) {
        return unescape(encodeURIComponent(text))
    }

    // A local path from a path or a file: URL.
    function localPath(p) {
        var s = String(p)
        if (s.indexOf("file://") === 0)
            return decodeURIComponent(s.substring(7))
        return s
    }

    // The service's answer in words: a JSON error field when there is one,
    // else the text itself (shortened).
    function describeAnswer(text) {
        var t = String(text).trim()
        if (t.length === 0)
            return ""
        try {
            var j = JSON.parse(t)
            if (j && typeof j === "object") {
                var msg = j.error_msg || j.error_description || j.message || (typeof j.error === "string" ? j.error : "")
                var code = j.error_code !== undefined ? j.error_code : (j.error && j.error.code !== undefined ? j.error.code : undefined)
                if (msg)
                    return code !== undefined ? qsTr("%1 (code %2)").arg(msg).arg(code) : msg
            }
        } catch (e) {
        }
        return t.length > 400 ? t.substring(0, 400) + "…" : t
    }

    // WCAG contrast ratio of two colours (1 to 21).
    function contrastRatio(a, b) {
        function channel(c) { return c <= 0.03928 ? c / 12.92 : Math.pow((c + 0.055) / 1.055, 2.4) }
        function luminance(c) { return 0.2126 * channel(c.r) + 0.7152 * channel(c.g) + 0.0722 * channel(c.b) }
        var la = luminance(a), lb = luminance(b)
        return (Math.max(la, lb) + 0.05) / (Math.min(la, lb) + 0.05)
    }

    // Why an upload did not start or did not go through, from the
    // controller's one-word reason.
    function failureInWords(word) {
        switch (word) {
        case "timeout": return qsTr("The service did not answer. Nothing more was sent; share again to retry.")
        case "picture-not-a-file": return qsTr("This picture is not a regular file, so nothing was sent.")
        case "picture-too-large": return qsTr("The picture is larger than 50 MB, so nothing was sent.")
        case "picture-empty": return qsTr("The picture file is empty, so nothing was sent.")
        case "picture-kind": return qsTr("Only JPEG, PNG and WebP pictures are shared, so that their location can be left out: apply an edit first, then share.")
        case "picture-missing":
        case "picture-unreadable": return qsTr("The picture could not be read, so nothing was sent.")
        default: return qsTr("The upload did not go through: the network or the service reported an error.")
        }
    }

    // What is missing before an upload can start; empty when nothing is.
    function missingField() {
        if (picture.length === 0)
            return qsTr("There is no picture to share.")
        if (!haveControllers)
            return qsTr("Sharing is not available in this build.")
        if (service === 0) {
            if (sinaEndpointField.text.trim().length === 0) return qsTr("Enter the upload address of the microblog service.")
            if (sinaKeyField.text.length === 0 || sinaSecretField.text.length === 0)
                return qsTr("Enter the application key and secret of the microblog service.")
            if (sinaTokenField.text.length === 0 || sinaTokenSecretField.text.length === 0)
                return qsTr("Enter your access token and token secret for the microblog service.")
        } else {
            if (renrenEndpointField.text.trim().length === 0) return qsTr("Enter the upload address of the social network.")
            if (renrenTokenField.text.length === 0) return qsTr("Enter your access token for the social network.")
            if (renrenSecretField.text.length === 0) return qsTr("Enter the application secret of the social network.")
            if (renrenMethodField.text.trim().length === 0) return qsTr("Enter the upload method of the social network.")
        }
        return ""
    }

    // The fields of one service's account, as the store keeps them.
    function accountFields(key) {
        if (key === "microblog")
            return { endpoint: sinaEndpointField.text.trim(), consumerKey: sinaKeyField.text,
                     consumerSecret: sinaSecretField.text, token: sinaTokenField.text,
                     tokenSecret: sinaTokenSecretField.text }
        return { endpoint: renrenEndpointField.text.trim(), token: renrenTokenField.text,
                 secret: renrenSecretField.text, method: renrenMethodField.text.trim(),
                 album: renrenAlbumField.text.trim() }
    }

    function fillAccount(key, a) {
        function text(v, fallback) { return v === undefined || v === null ? fallback : String(v) }
        if (key === "microblog") {
            sinaEndpointField.text = text(a.endpoint, "")
            sinaKeyField.text = text(a.consumerKey, "")
            sinaSecretField.text = text(a.consumerSecret, "")
            sinaTokenField.text = text(a.token, "")
            sinaTokenSecretField.text = text(a.tokenSecret, "")
        } else {
            renrenEndpointField.text = text(a.endpoint, "")
            renrenTokenField.text = text(a.token, "")
            renrenSecretField.text = text(a.secret, "")
            renrenMethodField.text = text(a.method, "photos.upload")
            renrenAlbumField.text = text(a.album, "")
        }
    }

    function setStored(key, value) {
        var s = { microblog: stored.microblog, social: stored.social }
        s[key] = value
        stored = s
    }

    // Keeps the shown service's account when "Remember" is ticked; an account
    // remembered earlier and now unticked is forgotten.
    function saveAccount() {
        // Written through at once (the property alone is stored later).
        choice.service = service
        choice.setValue("service", service)
        choice.sync()
        if (!accounts)
            return
        if (rememberBox.checked)
            accounts.save(accountKey, accountFields(accountKey))
        else if (stored[accountKey])
            accounts.forget(accountKey)
    }

    // "Forget this account": the stored copy goes, and so do the fields.
    function forgetAccount() {
        var key = accountKey
        fillAccount(key, {})
        rememberBox.checked = false
        if (accounts)
            accounts.forget(key)
    }

    // Starts the upload; false (with the reason in `message`) when it cannot.
    function share() {
        if (busy)
            return false
        answerText = ""
        rawAnswer = ""
        showRawAnswer = false
        failed = false
        succeeded = false
        var missing = missingField()
        if (missing.length > 0) {
            message = missing
            return false
        }
        saveAccount()
        var path = localPath(picture)
        var started = false
        if (service === 0) {
            var endpoint = sinaEndpointField.text.trim()
            var para = oauth.authorizationParameters("POST", endpoint, sinaKeyField.text, sinaSecretField.text,
                                                     sinaTokenField.text, sinaTokenSecretField.text)
            started = http.uploadSinaRequest(endpoint, para, path, "", "", utf8Bytes(caption))
        } else {
            var album = renrenAlbumField.text.trim()
            if (album.length > 0)
                started = http.uploadRenRenRequest(renrenEndpointField.text.trim(), renrenTokenField.text,
                                                   renrenMethodField.text.trim(), path, renrenSecretField.text,
                                                   caption, album)
            else
                started = http.uploadRenRenRequest(renrenEndpointField.text.trim(), renrenTokenField.text,
                                                   renrenMethodField.text.trim(), path, renrenSecretField.text,
                                                   caption)
        }
        if (!started) {
            failed = true
            message = failureInWords(http.lastFailure())
            return false
        }
        busy = true
        awaitingAnswer = true
        sentFraction = -1
        message = qsTr("Sending…")
        return true
    }

    function cancel() {
        if (!busy)
            return
        http.cancelDownload()
        awaitingAnswer = false
        busy = false
        sentFraction = -1
        message = qsTr("The upload was cancelled.")
    }

    // --- the controller's signals --------------------------------------------

    function onProgress(sent, total) {
        if (!busy)
            return
        var f = progressFraction(sent, total)
        if (f >= 0)
            sentFraction = f
    }

    function onError() {
        if (!busy)
            return
        busy = false
        failed = true
        message = failureInWords(http.lastFailure())
    }

    function onAnswer(body) {
        if (!awaitingAnswer)
            return // an answer for a request this page did not start
        awaitingAnswer = false
        busy = false
        rawAnswer = bytesToText(body)
        answerText = describeAnswer(rawAnswer)
        if (failed) {
            if (answerText.length > 0)
                message = qsTr("%1 The service said: %2").arg(message).arg(answerText)
        } else {
            sentFraction = 1
            succeeded = true
            message = qsTr("Shared: the service accepted the picture.")
        }
    }

    Connections {
        target: sharePage.haveControllers ? http : null
        ignoreUnknownSignals: true
        function onS_progress(sent, total) { sharePage.onProgress(sent, total) }
        function onS_httpError() { sharePage.onError() }
        function onSinaUpload(body) { sharePage.onAnswer(body) }
        function onRenrenUpload(body) { sharePage.onAnswer(body) }
    }

    Connections {
        target: sharePage.accounts
        ignoreUnknownSignals: true
        function onLoaded(key, account) {
            var found = account !== undefined && account !== null && Object.keys(account).length > 0
            if (found)
                sharePage.fillAccount(key, account)
            sharePage.setStored(key, found)
            if (key === sharePage.accountKey)
                rememberBox.checked = found
        }
        function onSaved(key, ok) {
            sharePage.setStored(key, ok)
            sharePage.accountNote = ok ? "" : qsTr("The account could not be remembered.")
        }
        function onForgotten(key, ok) {
            sharePage.setStored(key, !ok)
            sharePage.accountNote = ok ? qsTr("The account was forgotten.")
                                       : qsTr("The account could not be removed from storage.")
        }
    }

    onAccountKeyChanged: {
        rememberBox.checked = stored[accountKey] === true
        accountNote = ""
    }

    Component.onCompleted: {
        serviceBar.currentIndex = choice.service
        if (accounts) {
            accounts.load("microblog")
            accounts.load("social")
        }
    }

    // --- layout ---------------------------------------------------------------

    header: ToolBar {
        RowLayout {
            anchors.fill: parent
            ToolButton {
                text: "‹"
                font.pixelSize: 28
                implicitWidth: 48
                implicitHeight: 48
                Accessible.name: qsTr("Back to the editor")
                onClicked: { sharePage.cancel(); sharePage.closeRequested() }
            }
            Label {
                text: sharePage.title
                font.pixelSize: 20
                Layout.fillWidth: true
                elide: Label.ElideRight
            }
        }
    }

    Keys.onEscapePressed: { cancel(); closeRequested() }

    ScrollView {
        id: scroller
        anchors.fill: parent
        contentWidth: availableWidth

        ColumnLayout {
            width: scroller.availableWidth
            spacing: 10

            Item { Layout.preferredHeight: 4 }

            Image {
                autoTransform: true
                Layout.alignment: Qt.AlignHCenter
                Layout.preferredWidth: Math.min(parent.width - 32, 320)
                Layout.preferredHeight: 160
                fillMode: Image.PreserveAspectFit
                asynchronous: true
                sourceSize.width: 320
                sourceSize.height: 160
                source: sharePage.picture.length === 0 ? ""
                        : (sharePage.picture.indexOf("file:") === 0 ? sharePage.picture : "file://" + sharePage.picture)
                Accessible.name: qsTr("The picture to share")
            }

            TabBar {
                id: serviceBar
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                enabled: !sharePage.busy
                TabButton { text: qsTr("Microblog"); implicitHeight: 48; Accessible.name: qsTr("Share to the microblog service") }
                TabButton { text: qsTr("Social network"); implicitHeight: 48; Accessible.name: qsTr("Share to the social network") }
            }

            TextArea {
                id: captionField
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                Layout.minimumHeight: 88
                placeholderText: qsTr("Say something about this picture")
                placeholderTextColor: sharePage.quietTextColour
                wrapMode: TextArea.Wrap
                enabled: !sharePage.busy
                Accessible.name: qsTr("Caption")
            }

            GroupBox {
                title: qsTr("Account")
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                enabled: !sharePage.busy

                ColumnLayout {
                    anchors.fill: parent
                    spacing: 4

                    ColumnLayout {
                        visible: sharePage.service === 0
                        Layout.fillWidth: true
                        TextField { id: sinaEndpointField; objectName: "sinaEndpointField"; Layout.fillWidth: true
                            placeholderTextColor: sharePage.quietTextColour; placeholderText: qsTr("Upload address (https://…)"); inputMethodHints: Qt.ImhUrlCharactersOnly
                            Accessible.name: qsTr("Microblog upload address") }
                        TextField { id: sinaKeyField; objectName: "sinaKeyField"; Layout.fillWidth: true
                            placeholderTextColor: sharePage.quietTextColour; placeholderText: qsTr("Application key"); Accessible.name: qsTr("Microblog application key") }
                        TextField { id: sinaSecretField; objectName: "sinaSecretField"; Layout.fillWidth: true
                            placeholderTextColor: sharePage.quietTextColour; placeholderText: qsTr("Application secret"); echoMode: TextInput.Password
                            Accessible.name: qsTr("Microblog application secret") }
                        TextField { id: sinaTokenField; objectName: "sinaTokenField"; Layout.fillWidth: true
                            placeholderTextColor: sharePage.quietTextColour; placeholderText: qsTr("Access token"); echoMode: TextInput.Password; Accessible.name: qsTr("Microblog access token") }
                        TextField { id: sinaTokenSecretField; objectName: "sinaTokenSecretField"; Layout.fillWidth: true
                            placeholderTextColor: sharePage.quietTextColour; placeholderText: qsTr("Token secret"); echoMode: TextInput.Password
                            Accessible.name: qsTr("Microblog token secret") }
                    }

                    ColumnLayout {
                        visible: sharePage.service === 1
                        Layout.fillWidth: true
                        TextField { id: renrenEndpointField; objectName: "renrenEndpointField"; Layout.fillWidth: true
                            placeholderTextColor: sharePage.quietTextColour; placeholderText: qsTr("Upload address (https://…)"); inputMethodHints: Qt.ImhUrlCharactersOnly
                            Accessible.name: qsTr("Social network upload address") }
                        TextField { id: renrenTokenField; objectName: "renrenTokenField"; Layout.fillWidth: true
                            placeholderTextColor: sharePage.quietTextColour; placeholderText: qsTr("Access token"); echoMode: TextInput.Password; Accessible.name: qsTr("Social network access token") }
                        TextField { id: renrenSecretField; objectName: "renrenSecretField"; Layout.fillWidth: true
                            placeholderTextColor: sharePage.quietTextColour; placeholderText: qsTr("Application secret"); echoMode: TextInput.Password
                            Accessible.name: qsTr("Social network application secret") }
                        TextField { id: renrenMethodField; objectName: "renrenMethodField"; Layout.fillWidth: true; text: "photos.upload"
                            placeholderTextColor: sharePage.quietTextColour; placeholderText: qsTr("Upload method"); Accessible.name: qsTr("Social network upload method") }
                        TextField { id: renrenAlbumField; objectName: "renrenAlbumField"; Layout.fillWidth: true
                            placeholderTextColor: sharePage.quietTextColour; placeholderText: qsTr("Album number (empty: the default album)")
                            inputMethodHints: Qt.ImhDigitsOnly; Accessible.name: qsTr("Social network album") }
                    }

                    CheckBox {
                        id: rememberBox
                        objectName: "rememberBox"
                        Layout.fillWidth: true
                        // Off until the user turns it on (or an account was
                        // remembered before).
                        checked: false
                        text: sharePage.accounts && sharePage.accounts.usesKeyring
                              ? qsTr("Remember this account (in the system keyring)")
                              : qsTr("Remember this account (in a file only you can read)")
                        implicitHeight: 48
                        Accessible.name: qsTr("Remember the account")
                    }

                    Button {
                        objectName: "forgetButton"
                        text: qsTr("Forget this account")
                        visible: sharePage.stored[sharePage.accountKey] === true
                        flat: true
                        implicitHeight: 48
                        Accessible.name: qsTr("Forget the remembered account")
                        onClicked: sharePage.forgetAccount()
                    }

                    Label {
                        objectName: "accountNote"
                        Layout.fillWidth: true
                        text: sharePage.accountNote
                        visible: text.length > 0
                        wrapMode: Label.Wrap
                        color: sharePage.quietTextColour
                    }

                    // The accounts file could not be read and was kept aside.
                    Label {
                        objectName: "accountsProblem"
                        Layout.fillWidth: true
                        text: sharePage.accounts ? sharePage.accounts.problem : ""
                        visible: text.length > 0
                        wrapMode: Label.Wrap
                    }
                }
            }

            ProgressBar {
                id: progressBar
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                visible: sharePage.busy || sharePage.sentFraction >= 0
                indeterminate: sharePage.busy && sharePage.sentFraction < 0
                from: 0
                to: 1
                value: Math.max(0, sharePage.sentFraction)
                Accessible.name: qsTr("Upload progress")
            }

            Label {
                id: messageLabel
                objectName: "shareMessage"
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                text: sharePage.message
                visible: text.length > 0
                wrapMode: Label.Wrap
                font.pixelSize: 16
                color: sharePage.failed ? sharePage.errorColour
                     : sharePage.succeeded ? sharePage.successColour : sharePage.textColour
            }

            Button {
                objectName: "answerButton"
                Layout.leftMargin: 16
                visible: sharePage.rawAnswer.length > 0 && !sharePage.busy
                flat: true
                implicitHeight: 48
                text: sharePage.showRawAnswer ? qsTr("Hide the service's answer")
                                              : qsTr("Show the service's answer")
                onClicked: sharePage.showRawAnswer = !sharePage.showRawAnswer
            }

            Rectangle {
                objectName: "answerBox"
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                Layout.preferredHeight: answerView.implicitHeight + 16
                visible: sharePage.showRawAnswer && sharePage.rawAnswer.length > 0
                color: "#2c2c2c"
                radius: 4
                TextEdit {
                    id: answerView
                    objectName: "rawAnswer"
                    anchors.fill: parent
                    anchors.margins: 8
                    readOnly: true
                    selectByMouse: true
                    wrapMode: TextEdit.WrapAnywhere
                    font.family: "monospace"
                    font.pixelSize: 13
                    color: sharePage.textColour
                    // A long answer is shown in part; it is all in the status file.
                    text: sharePage.rawAnswer.length > 20000 ? sharePage.rawAnswer.substring(0, 20000) + "…"
                                                             : sharePage.rawAnswer
                }
            }

            RowLayout {
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                Layout.bottomMargin: 16
                spacing: 12
                Button {
                    objectName: "cancelButton"
                    text: qsTr("Cancel upload")
                    visible: sharePage.busy
                    implicitHeight: 48
                    Layout.fillWidth: true
                    onClicked: sharePage.cancel()
                }
                Button {
                    text: qsTr("Share")
                    // Dark words on the accent colour (white on it reads at 1.9:1).
                    Material.background: Material.accent
                    Material.foreground: sharePage.backgroundColour
                    palette.button: "#ffb74d"
                    palette.buttonText: sharePage.backgroundColour
                    enabled: !sharePage.busy
                    implicitHeight: 48
                    Layout.fillWidth: true
                    Accessible.name: qsTr("Send the picture")
                    onClicked: sharePage.share()
                }
            }
        }
    }
}
