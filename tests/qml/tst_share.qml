import QtQuick
import QtTest
import "../../qml/zeltanorvik"

// The share screen with the real controller and signer, against the local
// test server: progress and answers in words, accounts remembered only when
// asked, refused pictures, cancelling, and text that reads on its background.
Item {
    id: root
    width: 480
    height: 854

    Component {
        id: pageComponent
        SharePage { anchors.fill: parent }
    }

    TestCase {
        name: "SharePage"
        when: windowShown

        // No account remembered by another test.
        function init() {
            http.accounts.forget("social")
            http.accounts.forget("microblog")
        }

        function makePage() {
            var page = createTemporaryObject(pageComponent, root, { picture: testFolder + "share.png" })
            verify(page !== null)
            return page
        }

        function field(page, name) {
            var found = findChild(page, name)
            verify(found !== null, name)
            return found
        }

        function test_progressNeverDividesByZero() {
            var page = makePage()
            compare(page.progressFraction(0, 0), -1)
            compare(page.progressFraction(5, 0), -1)
            compare(page.progressFraction(5, 10), 0.5)
            compare(page.progressFraction(12, 10), 1)
            compare(page.progressFraction(undefined, undefined), -1)
            // The closing (0, 0) report keeps what was shown.
            page.busy = true
            page.onProgress(40, 80)
            compare(page.sentFraction, 0.5)
            page.onProgress(0, 0)
            compare(page.sentFraction, 0.5)
            page.busy = false
        }

        // Access tokens are secrets: masked like the others.
        function test_tokensAreMasked() {
            var page = makePage()
            for (var name of ["sinaTokenField", "sinaTokenSecretField", "renrenTokenField"])
                compare(field(page, name).echoMode, TextInput.Password, name)
        }

        function test_answerBytesAsText() {
            var page = makePage()
            compare(page.bytesToText(new Uint8Array([0x6f, 0x6b]).buffer), "ok")
            compare(page.bytesToText(new Uint8Array([0xc3, 0xa9, 0xe7, 0x85, 0xa7, 0xf0, 0x9f, 0x98, 0x80]).buffer),
                    "\u00e9\u7167\ud83d\ude00")
            // Broken UTF-8 shows as replacement characters, nothing is lost silently.
            compare(page.bytesToText(new Uint8Array([0x61, 0xff, 0xc3]).buffer), "a\ufffd\ufffd")
            compare(page.bytesToText(new Uint8Array([0xed, 0xa0, 0x80]).buffer), "\ufffd\ufffd\ufffd")
            compare(page.bytesToText(""), "")
            compare(page.utf8Bytes("\u00e9"), "\u00c3\u00a9")
            compare(page.localPath("file:///tmp/a%20b.png"), "/tmp/a b.png")
            compare(page.localPath("/tmp/a.png"), "/tmp/a.png")
        }

        function test_answerInWords() {
            var page = makePage()
            compare(page.describeAnswer('{"error_code": 20003, "error_msg": "user does not exist"}'),
                    "user does not exist (code 20003)")
            compare(page.describeAnswer('{"error": "expired_token"}'), "expired_token")
            compare(page.describeAnswer("plain words"), "plain words")
            compare(page.describeAnswer(""), "")
        }

        function test_missingAccountStopsBeforeSending() {
            var page = makePage()
            page.service = 1
            field(page, "renrenEndpointField").text = ""
            verify(!page.share())
            verify(!page.busy)
            verify(page.message.indexOf("upload address") >= 0, page.message)
        }

        // Nothing is kept unless the user asks; what is kept can be forgotten.
        function test_accountRememberedOnlyWhenAsked() {
            var page = makePage()
            verify(!field(page, "rememberBox").checked, "Remember starts off")
            fillSocial(page, testServer + "/ok")
            verify(page.share())
            tryCompare(page, "busy", false, 15000)
            page.destroy()

            var second = makePage()
            compare(second.service, 1)
            compare(field(second, "renrenSecretField").text, "", "not remembered")
            verify(!field(second, "forgetButton").visible)
            fillSocial(second, testServer + "/ok")
            field(second, "renrenAlbumField").text = "77"
            field(second, "rememberBox").checked = true
            verify(second.share())
            tryCompare(second, "busy", false, 15000)
            second.destroy()

            var third = makePage()
            compare(field(third, "renrenEndpointField").text, testServer + "/ok")
            compare(field(third, "renrenAlbumField").text, "77")
            compare(field(third, "renrenSecretField").text, "secret")
            verify(field(third, "rememberBox").checked)
            var forget = field(third, "forgetButton")
            verify(forget.visible)
            forget.clicked()
            compare(field(third, "renrenSecretField").text, "")
            verify(!field(third, "rememberBox").checked)
            verify(!forget.visible)
            compare(field(third, "accountNote").text, "The account was forgotten.")
            third.destroy()

            var fourth = makePage()
            compare(field(fourth, "renrenSecretField").text, "")
            compare(field(fourth, "renrenTokenField").text, "")
            verify(!field(fourth, "rememberBox").checked)
        }

        function fillSocial(page, endpoint) {
            page.service = 1
            findChild(page, "renrenEndpointField").text = endpoint
            findChild(page, "renrenTokenField").text = "tok"
            findChild(page, "renrenSecretField").text = "secret"
            findChild(page, "renrenMethodField").text = "photos.upload"
        }

        function fillMicroblog(page, endpoint) {
            page.service = 0
            findChild(page, "sinaEndpointField").text = endpoint
            findChild(page, "sinaKeyField").text = "key"
            findChild(page, "sinaSecretField").text = "secret"
            findChild(page, "sinaTokenField").text = "tok"
            findChild(page, "sinaTokenSecretField").text = "toksecret"
        }

        function test_socialUploadSucceeds() {
            verify(testServer.length > 0, "test server")
            var page = makePage()
            fillSocial(page, testServer + "/ok")
            page.caption = "Gr\u00fc\u00dfe"
            verify(page.share())
            verify(page.busy)
            tryCompare(page, "busy", false, 15000)
            verify(!page.failed)
            compare(page.sentFraction, 1)
            compare(page.message, "Shared: the service accepted the picture.")
            // The raw answer is one tap away, not in the message.
            var raw = field(page, "rawAnswer")
            verify(!field(page, "answerBox").visible)
            var button = field(page, "answerButton")
            verify(button.visible)
            button.clicked()
            verify(field(page, "answerBox").visible)
            verify(raw.text.indexOf("ok POST ") === 0, raw.text)
            checkContrast(page, ["shareMessage", "rawAnswer"])
        }

        // Every text the page writes on its own background reads at 4.5:1 or more.
        function checkContrast(page, names) {
            var background = page.background.color
            compare(Qt.colorEqual(background, page.backgroundColour), true)
            for (var i = 0; i < names.length; ++i) {
                var item = field(page, names[i])
                var ratio = page.contrastRatio(item.color, background)
                verify(ratio >= 4.5, names[i] + " contrast " + ratio.toFixed(2))
            }
        }

        function test_contrastRatio() {
            var page = makePage()
            fuzzyCompare(page.contrastRatio(Qt.color("#000000"), Qt.color("#ffffff")), 21, 0.01)
            fuzzyCompare(page.contrastRatio(Qt.color("#777777"), Qt.color("#ffffff")), 4.48, 0.01)
            compare(page.contrastRatio(Qt.color("#1e1e1e"), Qt.color("#1e1e1e")), 1)
            // Black text on the page, as the old page had it, fails the check.
            verify(page.contrastRatio(Qt.color("#000000"), page.backgroundColour) < 4.5)
        }

        function test_silentServiceInWords() {
            verify(testServer.length > 0, "test server")
            var page = makePage()
            fillSocial(page, testServer + "/silent")
            verify(page.share())
            tryCompare(page, "busy", false, 10000)
            verify(page.failed)
            verify(page.message.indexOf("The service did not answer") === 0, page.message)
            checkContrast(page, ["shareMessage"])
        }

        function test_strangePictureRefused() {
            var page = makePage()
            page.picture = "/dev/zero"
            fillSocial(page, testServer + "/ok")
            verify(!page.share())
            verify(!page.busy)
            verify(page.message.indexOf("not a regular file") >= 0, page.message)
            // An answer to a request this page did not start changes nothing.
            var before = page.message
            page.onAnswer(new Uint8Array([0x6f, 0x6b]).buffer)
            compare(page.message, before)
            compare(page.rawAnswer, "")
        }

        function test_microblogErrorInWords() {
            verify(testServer.length > 0, "test server")
            var page = makePage()
            fillMicroblog(page, testServer + "/status/500")
            verify(page.share())
            tryCompare(page, "busy", false, 15000)
            verify(page.failed)
            verify(page.message.indexOf("error body 500") >= 0, page.message)
            checkContrast(page, ["shareMessage"])
        }

        function test_unreadablePicture() {
            var page = makePage()
            page.picture = "/nonexistent/picture.png"
            fillSocial(page, testServer + "/ok")
            verify(!page.share())
            verify(!page.busy)
            verify(page.message.indexOf("could not be read") >= 0, page.message)
        }

        function test_cancelWhileSending() {
            var page = makePage()
            fillSocial(page, testServer + "/slow-body")
            verify(page.share())
            page.cancel()
            verify(!page.busy)
            wait(600)
            verify(!page.failed)
            verify(page.message.indexOf("cancelled") >= 0, page.message)
        }
    }
}
