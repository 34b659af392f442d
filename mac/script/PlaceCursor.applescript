on placecursor(docName, newPos)
	with timeout of 3 seconds
		tell application id "com.microsoft.Word"
			if name of active document is not docName then return -1
			set selection start of selection to newPos
			set selection end of selection to newPos
			return selection start of selection
		end tell
	end timeout
end placecursor
