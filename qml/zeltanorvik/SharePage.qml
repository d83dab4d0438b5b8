// The share screen, over the editor: pick a service, write a caption, fill in
// the account (kept in a settings file the user controls), send the current
// picture and read the answer.
//
// Uses the published objects "http" (the upload controller) and "oauth" (the
// OAuth signer). Open it with the picture's path:
//     stack.push(Qt.resolvedUrl("SharePage.qml"), { picture: currentFile })
// and close it on its closeRequested() signal.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Qt.labs.settings

Page {
    id: sharePage
    objectName: "sharePage"

    // The picture to send: a local path or a file: URL.
    property string picture: ""
    // A settings file of the user's choice; empty keeps the account in the
    // application's own settings file.
    property string accountsFile: ""

    // 0: microblog, 1: social network.
    property alias service: serviceBar.currentIndex
    property alias caption: captionField.text
    property bool busy: false
    property bool failed: false
    // Fraction of the picture sent, or -1 while the size is unknown.
    property real sentFraction: -1
    // What the user reads after an upload (or why it did not start).
    property string message: ""
    property string answerText: ""

    readonly property bool haveControllers: typeof http !== "undefined" && http !== null
                                            && typeof oauth !== "undefined" && oauth !== null

    signal closeRequested()

    title: qsTr("Share")
    // Fixed, so the page's size never waits on its scrolled content.
    implicitWidth: 480
    implicitHeight: 854

    Settings {
        id: account
        category: "sharing"
        fileName: sharePage.accountsFile
        property int service: 0
        property bool remember: true
        property string sinaEndpoint: ""
        property string sinaConsumerKey: ""
        property string sinaConsumerSecret: ""
        property string sinaToken: ""
        property string sinaTokenSecret: ""
        property string renrenEndpoint: ""
        property string renrenToken: ""
        property string renrenSecret: ""
        property string renrenMethod: "photos.upload"
        property string renrenAlbum: ""
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

    function saveAccount() {
        var values = { service: service, remember: rememberBox.checked }
        if (rememberBox.checked) {
            values.sinaEndpoint = sinaEndpointField.text.trim()
            values.sinaConsumerKey = sinaKeyField.text
            values.sinaConsumerSecret = sinaSecretField.text
            values.sinaToken = sinaTokenField.text
            values.sinaTokenSecret = sinaTokenSecretField.text
            values.renrenEndpoint = renrenEndpointField.text.trim()
            values.renrenToken = renrenTokenField.text
            values.renrenSecret = renrenSecretField.text
            values.renrenMethod = renrenMethodField.text.trim()
            values.renrenAlbum = renrenAlbumField.text.trim()
        }
        // Written through at once (the properties alone are stored later).
        for (var key in values) {
            account[key] = values[key]
            account.setValue(key, values[key])
        }
        account.sync()
    }

    // Starts the upload; false (with the reason in `message`) when it cannot.
    function share() {
        if (busy)
            return false
        answerText = ""
        failed = false
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
            message = qsTr("The picture could not be read, so nothing was sent.")
            return false
        }
        busy = true
        sentFraction = -1
        message = qsTr("Sending…")
        return true
    }

    function cancel() {
        if (!busy)
            return
        http.cancelDownload()
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
        message = qsTr("The upload did not go through: the network or the service reported an error.")
    }

    function onAnswer(body) {
        var wasBusy = busy
        if (!wasBusy && !failed)
            return // an answer for a request this page did not start
        busy = false
        var text = bytesToText(body)
        answerText = describeAnswer(text)
        if (failed) {
            message = answerText.length > 0 ? qsTr("The upload did not go through. The service said: %1").arg(answerText)
                                            : qsTr("The upload did not go through, and the service said nothing.")
        } else {
            sentFraction = 1
            message = answerText.length > 0 ? qsTr("Shared. The service said: %1").arg(answerText)
                                            : qsTr("Shared.")
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

    Component.onCompleted: {
        serviceBar.currentIndex = account.service
        rememberBox.checked = account.remember
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
                        TextField { id: sinaEndpointField; objectName: "sinaEndpointField"; Layout.fillWidth: true; text: account.sinaEndpoint
                            placeholderText: qsTr("Upload address (https://…)"); inputMethodHints: Qt.ImhUrlCharactersOnly
                            Accessible.name: qsTr("Microblog upload address") }
                        TextField { id: sinaKeyField; objectName: "sinaKeyField"; Layout.fillWidth: true; text: account.sinaConsumerKey
                            placeholderText: qsTr("Application key"); Accessible.name: qsTr("Microblog application key") }
                        TextField { id: sinaSecretField; objectName: "sinaSecretField"; Layout.fillWidth: true; text: account.sinaConsumerSecret
                            placeholderText: qsTr("Application secret"); echoMode: TextInput.Password
                            Accessible.name: qsTr("Microblog application secret") }
                        TextField { id: sinaTokenField; objectName: "sinaTokenField"; Layout.fillWidth: true; text: account.sinaToken
                            placeholderText: qsTr("Access token"); Accessible.name: qsTr("Microblog access token") }
                        TextField { id: sinaTokenSecretField; objectName: "sinaTokenSecretField"; Layout.fillWidth: true; text: account.sinaTokenSecret
                            placeholderText: qsTr("Token secret"); echoMode: TextInput.Password
                            Accessible.name: qsTr("Microblog token secret") }
                    }

                    ColumnLayout {
                        visible: sharePage.service === 1
                        Layout.fillWidth: true
                        TextField { id: renrenEndpointField; objectName: "renrenEndpointField"; Layout.fillWidth: true; text: account.renrenEndpoint
                            placeholderText: qsTr("Upload address (https://…)"); inputMethodHints: Qt.ImhUrlCharactersOnly
                            Accessible.name: qsTr("Social network upload address") }
                        TextField { id: renrenTokenField; objectName: "renrenTokenField"; Layout.fillWidth: true; text: account.renrenToken
                            placeholderText: qsTr("Access token"); Accessible.name: qsTr("Social network access token") }
                        TextField { id: renrenSecretField; objectName: "renrenSecretField"; Layout.fillWidth: true; text: account.renrenSecret
                            placeholderText: qsTr("Application secret"); echoMode: TextInput.Password
                            Accessible.name: qsTr("Social network application secret") }
                        TextField { id: renrenMethodField; objectName: "renrenMethodField"; Layout.fillWidth: true; text: account.renrenMethod
                            placeholderText: qsTr("Upload method"); Accessible.name: qsTr("Social network upload method") }
                        TextField { id: renrenAlbumField; objectName: "renrenAlbumField"; Layout.fillWidth: true; text: account.renrenAlbum
                            placeholderText: qsTr("Album number (empty: the default album)")
                            inputMethodHints: Qt.ImhDigitsOnly; Accessible.name: qsTr("Social network album") }
                    }

                    CheckBox {
                        id: rememberBox
                        text: sharePage.accountsFile.length > 0 ? qsTr("Remember in %1").arg(sharePage.accountsFile)
                                                                : qsTr("Remember in this application's settings file")
                        implicitHeight: 48
                        Accessible.name: qsTr("Remember the account")
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
                color: sharePage.failed ? "#ff8a80" : palette.windowText
            }

            RowLayout {
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                Layout.bottomMargin: 16
                spacing: 12
                Button {
                    text: qsTr("Cancel upload")
                    visible: sharePage.busy
                    implicitHeight: 48
                    Layout.fillWidth: true
                    onClicked: sharePage.cancel()
                }
                Button {
                    text: qsTr("Share")
                    highlighted: true
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
