' A VBScript client of the registered Ferrolok server: creates the six
' classes by ProgID, checks their defaults, calls every method and prints
' each result as lower-case hex, one "label hex" line per result.
' Usage: cscript //nologo client.vbs WORK_FOLDER
' WORK_FOLDER holds plain.txt and all.bin (the bytes 00..ff); results that are
' written to a file go there. Exit code 0 when every step ran; otherwise the
' number of the step that failed (an uncaught error would end the script
' silently with 0, so every step checks Err itself).
Option Explicit
On Error Resume Next

Dim fso, work, step
Set fso = CreateObject("Scripting.FileSystemObject")
work = WScript.Arguments(0) & "\"

Sub Check(number, what)
  If Err.Number <> 0 Then
    WScript.Echo "error in step " & number & " (" & what & "): " & Err.Number & " " & Err.Description
    WScript.Quit number
  End If
End Sub

Sub Expect(number, condition, what)
  If Not condition Then
    Err.Clear
    WScript.Echo "failed in step " & number & ": " & what
    WScript.Quit number
  End If
End Sub

' The bytes of a file as hex: the file read as ANSI text gives one character
' per byte, and Asc gives the byte back.
Function HexOfFile(path, skip)
  Dim t, s, i, out
  out = ""
  Set t = fso.OpenTextFile(path, 1, False, 0)
  If Not t.AtEndOfStream Then s = t.ReadAll() Else s = ""
  t.Close
  For i = skip + 1 To Len(s)
    out = out & Right("0" & LCase(Hex(Asc(Mid(s, i, 1)))), 2)
  Next
  HexOfFile = out
End Function

' The bytes of a result array of even length (ciphertexts, digests) as hex:
' CStr packs two bytes into each character, which a Unicode text file holds
' as they are after its 2-byte mark.
Function HexOf(r)
  Dim t, s
  s = CStr(r)
  If Len(s) = 0 Then
    HexOf = ""
    Exit Function
  End If
  Set t = fso.CreateTextFile(work & "result.bin", True, True)
  t.Write s
  t.Close
  HexOf = HexOfFile(work & "result.bin", 2)
End Function

Function IsByteArray(r)
  IsByteArray = (VarType(r) = 8209)  ' vbArray + vbByte
End Function

Dim names, n, o, progId
names = Array("EncryptString", "DecryptData", "CreateFileHash", "CreateStringHash", _
              "DecryptFile", "EncryptFile")
step = 1
For Each n In names
  For Each progId In Array("Ferrolok." & n, "Ferrolok." & n & ".1")
    Set o = Nothing
    Set o = CreateObject(progId)
    Check step, "CreateObject " & progId
    Expect step, Not (o Is Nothing), "CreateObject " & progId
    Expect step, o.Provider = "Microsoft Base Cryptographic Provider v1.0", progId & " Provider"
    Expect step, o.ProviderType = 1, progId & " ProviderType"
    Expect step, o.Password = "", progId & " Password"
    Check step, "defaults of " & progId
  Next
  step = step + 1
Next
WScript.Echo "created six classes"

' The reader of result files itself.
step = 10
WScript.Echo "bytes " & HexOfFile(work & "all.bin", 0)
Check step, "reading all.bin"

Dim enc, dec, r, p
step = 11
Set enc = CreateObject("Ferrolok.EncryptString")
Expect step, enc.SaveToFile = 1 And enc.Input = "" And enc.DestinationFile = "", "EncryptString defaults"
enc.Password = "plumb"
enc.Input = "a"
' SaveToFile keeps its default 1 with no DestinationFile: the result stands.
r = enc.Encrypt()
Check step, "EncryptString.Encrypt"
Expect step, IsByteArray(r), "EncryptString.Encrypt returns a byte array"
WScript.Echo "EncryptString " & HexOf(r)

step = 12
Set dec = CreateObject("Ferrolok.DecryptData")
dec.Password = "plumb"
dec.Data = r
dec.DestinationFile = work & "dec-a.bin"
p = dec.Decrypt()
Check step, "DecryptData.Decrypt"
Expect step, IsByteArray(p), "DecryptData.Decrypt returns a byte array"
WScript.Echo "DecryptData " & HexOfFile(work & "dec-a.bin", 0)

step = 13
enc.Input = "ab" & Chr(0) & "cd"
enc.Password = "Operator 1"
enc.SaveToFile = 1
enc.DestinationFile = work & "enc-zero.bin"
r = enc.Encrypt()
Check step, "EncryptString.Encrypt with a zero character"
WScript.Echo "EncryptString-zero " & HexOf(r)
WScript.Echo "EncryptString-zero-file " & HexOfFile(work & "enc-zero.bin", 0)
dec.Password = "Operator 1"
dec.Data = r
dec.DestinationFile = work & "dec-zero.bin"
p = dec.Decrypt()
Check step, "DecryptData.Decrypt of it"
WScript.Echo "DecryptData-zero " & HexOfFile(work & "dec-zero.bin", 0)

step = 14
enc.Provider = "Microsoft Enhanced Cryptographic Provider v1.0"
enc.Password = "plumb"
enc.Input = "5/3/2004 9:05:07, Operator 1, Batch start"
enc.SaveToFile = 0
r = enc.Encrypt()
Check step, "EncryptString.Encrypt, enhanced provider"
WScript.Echo "EncryptString-enhanced " & HexOf(r)
' A wrong password: bad padding, an empty array (written to the file too).
dec.Provider = "Microsoft Enhanced Cryptographic Provider v1.0"
dec.Password = "plumber"
dec.Data = r
dec.DestinationFile = work & "dec-wrong.bin"
p = dec.Decrypt()
Check step, "DecryptData.Decrypt with a wrong password"
WScript.Echo "DecryptData-wrong " & HexOf(p) & "|" & fso.GetFile(work & "dec-wrong.bin").Size

step = 15
enc.Provider = "No Such Provider"
r = enc.Encrypt()
Check step, "EncryptString.Encrypt, unknown provider"
Expect step, IsByteArray(r), "an unknown provider gives an empty byte array"
WScript.Echo "EncryptString-unknown " & HexOf(r)

step = 16
' The guards leave the result untouched.
Dim untouched
enc.Provider = "Microsoft Base Cryptographic Provider v1.0"
enc.Input = ""
untouched = enc.Encrypt()
Check step, "EncryptString.Encrypt of """""
Expect step, IsEmpty(untouched), "Input """" leaves the result untouched"
Dim fe
Set fe = CreateObject("Ferrolok.EncryptFile")
fe.SaveToFile = 0
fe.FileName = work & "no such file.txt"
untouched = fe.Encrypt()
Check step, "EncryptFile.Encrypt of a missing file"
Expect step, IsEmpty(untouched), "a missing file leaves the result untouched"
WScript.Echo "untouched ok"

step = 17
Dim sh, fh
Set sh = CreateObject("Ferrolok.CreateStringHash")
sh.Input = "abc"
r = sh.Hash()
Check step, "CreateStringHash.Hash"
WScript.Echo "CreateStringHash " & HexOf(r)
sh.Password = "anything"
Expect step, CStr(sh.Hash()) = CStr(r), "the password does not change the digest"
Set fh = CreateObject("Ferrolok.CreateFileHash")
fh.FileName = work & "plain.txt"
r = fh.Hash()
Check step, "CreateFileHash.Hash"
WScript.Echo "CreateFileHash " & HexOf(r)

step = 18
fe.FileName = work & "plain.txt"
fe.Password = "plumb"
fe.SaveToFile = 1
fe.DestinationFile = work & "plain.enc"
r = fe.Encrypt()
Check step, "EncryptFile.Encrypt"
WScript.Echo "EncryptFile " & HexOf(r)
Dim fd
Set fd = CreateObject("Ferrolok.DecryptFile")
fd.FileName = work & "plain.enc"
fd.Password = "plumb"
fd.DestinationFile = work & "plain.dec"
p = fd.Decrypt()
Check step, "DecryptFile.Decrypt"
Expect step, IsByteArray(p), "DecryptFile.Decrypt returns a byte array"
WScript.Echo "DecryptFile " & HexOfFile(work & "plain.dec", 0)

step = 19
' A script cannot make a byte array, but its own array of whole numbers
' 0..255 serves as Data: here the ciphertext of "a" under "plumb".
Dim arr
Set dec = CreateObject("Ferrolok.DecryptData")
dec.Password = "plumb"
dec.Data = Array(&HB5, &H6C, &HAD, 110, 228, 221, 93, 109)
Check step, "DecryptData.Data = Array(...)"
dec.DestinationFile = work & "dec-array.bin"
p = dec.Decrypt()
Check step, "DecryptData.Decrypt of a script array"
Expect step, IsByteArray(p), "a script array decrypts to a byte array"
WScript.Echo "DecryptData-array " & HexOfFile(work & "dec-array.bin", 0)
' Computed numbers count too; a number beyond 255 spoils the array.
arr = Array(181, 108, 173, 110, 228, 221, 93, 109)
arr(7) = arr(7) + 0.0
dec.Data = arr
p = dec.Decrypt()
Check step, "DecryptData.Decrypt of a computed array"
Expect step, IsByteArray(p), "a computed array decrypts to a byte array"
arr(0) = 256
dec.Data = arr
untouched = Empty
untouched = dec.Decrypt()
Check step, "DecryptData.Decrypt of an array with 256"
Expect step, IsEmpty(untouched), "an element beyond 255 leaves the result untouched"
WScript.Echo "script arrays ok"

WScript.Quit 0
