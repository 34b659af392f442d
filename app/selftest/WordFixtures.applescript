-- The self-test's own fixtures. Each handler first refuses to run when Word is not running:
-- a tell block would otherwise launch Word as a side effect of a fixture call.

on newdoc()
	if application id "com.microsoft.Word" is not running then error "Word is not running" number -600
	tell application id "com.microsoft.Word"
		activate
		set theDoc to make new document
		return name of theDoc
	end tell
end newdoc

on closedoc(docName)
	if application id "com.microsoft.Word" is not running then error "Word is not running" number -600
	tell application id "com.microsoft.Word"
		close document docName saving no
	end tell
end closedoc

on listdocs()
	if application id "com.microsoft.Word" is not running then error "Word is not running" number -600
	tell application id "com.microsoft.Word"
		set theNames to {}
		repeat with theDoc in documents
			set end of theNames to (name of theDoc)
		end repeat
		return theNames
	end tell
end listdocs

on activatedoc(docName)
	if application id "com.microsoft.Word" is not running then error "Word is not running" number -600
	tell application id "com.microsoft.Word"
		activate
		activate object (active window of document docName)
	end tell
end activatedoc

on activateword()
	if application id "com.microsoft.Word" is not running then error "Word is not running" number -600
	tell application id "com.microsoft.Word"
		activate
	end tell
end activateword

on setcursor(docName, newPos)
	if application id "com.microsoft.Word" is not running then error "Word is not running" number -600
	tell application id "com.microsoft.Word"
		-- The active document's selection moves; docName only names the case in the caller.
		set selection start of selection to newPos
		set selection end of selection to newPos
	end tell
end setcursor

on protectdoc(docName)
	if application id "com.microsoft.Word" is not running then error "Word is not running" number -600
	tell application id "com.microsoft.Word"
		protect document docName protection type allow only reading
	end tell
end protectdoc

on unprotectdoc(docName)
	if application id "com.microsoft.Word" is not running then error "Word is not running" number -600
	tell application id "com.microsoft.Word"
		-- Word raises an error when unprotecting a document that is not protected.
		if protection type of document docName is not no document protection then
			unprotect document docName
		end if
	end tell
end unprotectdoc

on setrevisions(docName, onFlag)
	if application id "com.microsoft.Word" is not running then error "Word is not running" number -600
	tell application id "com.microsoft.Word"
		set track revisions of document docName to (onFlag is 1)
	end tell
end setrevisions

on revcount(docName)
	if application id "com.microsoft.Word" is not running then error "Word is not running" number -600
	tell application id "com.microsoft.Word"
		return count of revisions of document docName
	end tell
end revcount

on showdialog(waitSecs)
	if application id "com.microsoft.Word" is not running then error "Word is not running" number -600
	with timeout of 30 seconds
		tell application id "com.microsoft.Word"
			set theAnswer to display dialog "Plumeo 自检：模拟对话框" giving up after waitSecs
		end tell
	end timeout
	if gave up of theAnswer then return "gave up"
	return "按钮：" & (button returned of theAnswer)
end showdialog

on unsaveddocs()
	if application id "com.microsoft.Word" is not running then error "Word is not running" number -600
	tell application id "com.microsoft.Word"
		set theNames to {}
		repeat with theDoc in documents
			if (path of theDoc) is "" then set end of theNames to (name of theDoc)
		end repeat
		return theNames
	end tell
end unsaveddocs

on quitword()
	if application id "com.microsoft.Word" is not running then return
	tell application id "com.microsoft.Word"
		quit saving no
	end tell
end quitword
