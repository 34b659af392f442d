on docstate()
	my requireword()
	with timeout of 3 seconds
		tell application id "com.microsoft.Word"
			set docCount to count of documents
			if docCount is 0 then return {0}
			set theDoc to active document
			set fullName to ""
			try
				set fullName to posix full name of theDoc
			end try
			set theSelection to selection
			return {docCount, name of theDoc, fullName, selection start of theSelection, selection end of theSelection, story type of theSelection, track revisions of theDoc, protection type of theDoc}
		end tell
	end timeout
end docstate

on readrange(docKey, rangeStart, rangeEnd)
	my requireword()
	with timeout of 3 seconds
		set theDoc to my targetdocument(docKey)
		tell application id "com.microsoft.Word"
			return content of (create range theDoc start rangeStart end rangeEnd)
		end tell
	end timeout
end readrange

on readall(docKey)
	my requireword()
	with timeout of 5 seconds
		set theDoc to my targetdocument(docKey)
		tell application id "com.microsoft.Word"
			return content of text object of theDoc
		end tell
	end timeout
end readall

on environment()
	my requireword()
	with timeout of 3 seconds
		tell application id "com.microsoft.Word"
			set docCount to count of documents
			set docNames to {}
			repeat with i from 1 to docCount
				set end of docNames to name of document i
			end repeat
			return {application version, docCount, docNames}
		end tell
	end timeout
end environment

on autosettings()
	my requireword()
	with timeout of 3 seconds
		tell application id "com.microsoft.Word"
			set theAutocorrect to autocorrect object
			set theSettings to settings
			return {correct sentence caps of theAutocorrect, correct initial caps of theAutocorrect, replace text of theAutocorrect, auto format as you type replace quotes of theSettings, auto format as you type replace symbols of theSettings, auto format as you type replace ordinals of theSettings, auto format as you type replace fractions of theSettings, auto format as you type apply numbered lists of theSettings, auto format as you type apply bulleted lists of theSettings, auto format as you type replace hyperlinks of theSettings, auto format as you type replace plain text emphasis of theSettings}
		end tell
	end timeout
end autosettings

-- A tell block starts Word when it is not running; a read after Word quit must fail instead.
on requireword()
	if application id "com.microsoft.Word" is not running then error "Microsoft Word isn’t running." number -600
end requireword

-- The document docKey names: "" the active one, else the one whose POSIX full name is docKey,
-- else a never-saved one named docKey. Compared case by case: two open documents may share a
-- name in different folders, or differ only in case.
on targetdocument(docKey)
	with timeout of 3 seconds
		tell application id "com.microsoft.Word"
			if docKey is "" then return active document
			repeat with i from 1 to count of documents
				set theDoc to document i
				set fullName to ""
				try
					set fullName to posix full name of theDoc
				end try
				set docName to name of theDoc
				considering case
					if fullName is docKey then return theDoc
					if fullName is "" and docName is docKey then return theDoc
				end considering
			end repeat
		end tell
	end timeout
	error "Microsoft Word got an error: Can’t get document \"" & docKey & "\"." number -1728
end targetdocument
